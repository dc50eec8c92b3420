#include "logger/core/clock_compare.h"

#include <cctype>
#include <cstdlib>

namespace qx {
namespace {

// Days since 1 January 1970 of a proleptic Gregorian date.
long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<long long>(era) * 146097 + doe - 719468;
}

// Two decimal digits at 0-based `pos`; -1 when they are not both digits.
int Pair(std::string_view s, std::size_t pos) {
    if (pos + 1 >= s.size()) return -1;
    const auto a = static_cast<unsigned char>(s[pos]);
    const auto b = static_cast<unsigned char>(s[pos + 1]);
    if (!std::isdigit(a) || !std::isdigit(b)) return -1;
    return (a - '0') * 10 + (b - '0');
}

long long Seconds(int year, int month, int day, int hour, int minute, int second) {
    return DaysFromCivil(year, month, day) * 86400LL + hour * 3600LL + minute * 60LL + second;
}

}  // namespace

std::optional<LocalTime> ClockFromReply(std::string_view reply, const LocalTime& now) {
    int f[6];
    for (int k = 0; k < 6; ++k) {
        f[k] = Pair(reply, 3 + 2 * k);
        if (f[k] < 0) return std::nullopt;
    }
    LocalTime t;
    t.hour = f[0];
    t.minute = f[1];
    t.second = f[2];
    t.day = f[3];
    t.month = f[4];
    // The module keeps a two-digit year; it shares the PC's century.
    t.year = now.year - now.year % 100 + f[5];
    if (t.hour > 23 || t.minute > 59 || t.second > 59 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > 31) {
        return std::nullopt;
    }
    return t;
}

long long ClockOffsetS(const LocalTime& module, const LocalTime& pc) {
    return Seconds(module.year, module.month, module.day, module.hour, module.minute,
                   module.second) -
           Seconds(pc.year, pc.month, pc.day, pc.hour, pc.minute, pc.second);
}

bool ClockReplyAgrees(std::string_view reply, int addr, const LocalTime& now, int toleranceS) {
    (void)addr;  // which module answered is the link's business; only the fields count here
    const std::optional<LocalTime> module = ClockFromReply(reply, now);
    // Date and time together: a clock a few seconds behind across midnight agrees.
    return module && std::llabs(ClockOffsetS(*module, now)) <= toleranceS;
}

}  // namespace qx
