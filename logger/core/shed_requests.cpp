#include "logger/core/shed_requests.h"

#include <cstdio>

#include "common/core/address_text.h"
#include "link/core/protocol.h"
#include "link/core/string_format.h"
#include "logger/core/limit_field.h"
#include "logger/core/schedule_file.h"

namespace qx {
int RewriteByte(const Schedule& schedule) {
    return schedule.rewrite ? 0x80 : 0x00;
}

int EnableMask(const Schedule& schedule) {
    if (schedule.allOff) return 0;
    // Index 0 ends up in bit 0 after seven more shifts.
    int mask = 0;
    for (const ShedEntry& e : schedule.entries) {
        mask >>= 1;
        if (e.active) mask |= 0x80;
    }
    return mask;
}

std::string WriteClockRequest(int addr, const LocalTime& now) {
    return ReqWriteClock(addr, now.hour, now.minute, now.second, now.day, now.month,
                         now.year % 100);
}

std::string WriteEntryRequest(int addr, int index, const ShedEntry& entry, int config) {
    const NumberPair time = ParsePair(entry.time, ':');
    const NumberPair date = ParsePair(entry.date, '.');
    const NumberPair interval = ParsePair(entry.interval, ':');
    return ReqWriteEntry(addr, index, config, time.first, time.second, date.first, date.second,
                         interval.first, interval.second);
}

std::string WriteLimitsRequest(int addr, int index, const ShedEntry& entry) {
    const NumberPair interval = ParsePair(entry.limitInterval, ':');
    return ReqWriteLimits(addr, index, EncodeLimit(entry.low), EncodeLimit(entry.high),
                          interval.first, interval.second);
}

std::string WriteEnableRequest(int addr, const Schedule& schedule) {
    return ReqWriteEnable(addr, RewriteByte(schedule), EnableMask(schedule));
}

std::string ExpectedClockReply(int addr, const LocalTime& now) {
    return Format("!%02X%02i%02i%02i%02i%02i%02i", addr, now.hour, now.minute, now.second, now.day,
                  now.month, now.year % 100);
}

std::string ExpectedEntryReply(int addr, const ShedEntry& entry, int config) {
    const NumberPair time = ParsePair(entry.time, ':');
    const NumberPair date = ParsePair(entry.date, '.');
    const NumberPair interval = ParsePair(entry.interval, ':');
    return Format("!%02X%02X%02i%02i%02i%02i%02i%02i", addr, config, time.first, time.second,
                  date.first, date.second, interval.first, interval.second);
}

std::string ExpectedLimitsReply(int addr, const ShedEntry& entry) {
    const NumberPair interval = ParsePair(entry.limitInterval, ':');
    return Format("!%02X", addr) + EncodeLimit(entry.low) + EncodeLimit(entry.high) +
           Format("%02i%02i", interval.first, interval.second);
}

std::string ExpectedEnableReply(int addr, const Schedule& schedule) {
    return Format("!%02X%02X%02X", addr, RewriteByte(schedule), EnableMask(schedule));
}

namespace {

std::string CheckPair(int index, const char* field, const std::string& text, char sep) {
    const NumberPair p = ParsePair(text, sep);
    if (p.first >= 0 && p.first <= 99 && p.second >= 0 && p.second <= 99) return {};
    // Built by concatenation: the text may be long and must not be cut inside a letter.
    return Format("Index  %i: ", index + 1) + field + " \"" + text +
           "\" obsahuje číslo mimo rozsah 0 až 99 !";
}

}  // namespace

std::string ValidateSchedule(const Schedule& schedule, const ConfigEncoder& encode) {
    for (int n = 0; n < kShedEntries; ++n) {
        const ShedEntry& e = schedule.entries[n];
        if (e.quantity < 0 || e.quantity > 7) {
            return Format("Index  %i: není zvolena platná měřená veličina !", n + 1);
        }
        const int config = encode ? encode(e.quantity, e.range, e.input) : -1;
        // A byte outside the quantity's own nibble would log a different quantity.
        if (config < 0 || config > 0x7F || config >> 4 != e.quantity) {
            return Format("Index  %i: neplatný rozsah nebo vstup !", n + 1);
        }
        for (const std::string& message :
             {CheckPair(n, "datum zahájení", e.date, '.'),
              CheckPair(n, "čas zahájení", e.time, ':'),
              CheckPair(n, "interval měření", e.interval, ':'),
              CheckPair(n, "interval měření při překročení mezí", e.limitInterval, ':')}) {
            if (!message.empty()) return message;
        }
    }
    return {};
}

int AddressFromText(std::string_view text) {
    if (!text.empty() && text[0] == '(') text.remove_prefix(1);
    // Not held to 0..254: the schedule sends to the address as typed.
    return static_cast<int>(AddressNumber(text).value_or(0));
}

}  // namespace qx
