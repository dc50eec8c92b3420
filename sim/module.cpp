#include "sim/module.h"

#include "sim/instrument.h"

#include <algorithm>
#include <cstdio>

namespace qx::sim {

namespace {

bool AllHex(std::string_view s) {
    for (char c : s)
        if (HexDigit(c) < 0) return false;
    return true;
}

bool AllDigits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// A limit field "%c%04i": a hexadecimal flag digit and four decimal digits.
bool IsLimitField(std::string_view s) {
    return s.size() == 5 && HexDigit(s[0]) >= 0 && AllDigits(s.substr(1));
}

// The logger commands after "@AA".
bool IsWellFormedLoggerRequest(std::string_view rest) {
    if (rest.size() < 2) return false;
    std::string_view cmd = rest.substr(0, 2);
    std::string_view args = rest.substr(2);
    if (cmd == "RF" || cmd == "RT" || cmd == "RE") return args.empty();
    if (cmd == "RQ") return args == "0" || args == "1";
    if (cmd == "RD" || cmd == "RL") return args.size() == 1 && args[0] >= '0' && args[0] <= '7';
    if (cmd == "WT") return args.size() == 12 && AllDigits(args);
    if (cmd == "WE") return args.size() == 4 && AllHex(args);
    if (cmd == "WD") {
        return args.size() == 15 && args[0] >= '0' && args[0] <= '7' && AllHex(args.substr(1, 2)) &&
               AllDigits(args.substr(3));
    }
    if (cmd == "WL") {
        return args.size() == 15 && args[0] >= '0' && args[0] <= '7' &&
               IsLimitField(args.substr(1, 5)) && IsLimitField(args.substr(6, 5)) &&
               AllDigits(args.substr(11));
    }
    return false;
}

std::string Hex2(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
    return buf;
}

}  // namespace

bool IsWellFormedRequest(std::string_view text) {
    if (text.size() < 3 || !AllHex(text.substr(1, 2))) return false;
    std::string_view rest = text.substr(3);
    switch (text[0]) {
        case '$':
            return rest.size() == 1 && std::string_view("MFN20").find(rest[0]) != std::string::npos;
        case '#':
            return rest.empty();
        case '%':
            return rest.size() == 8 && AllHex(rest);
        case '@':
            return IsWellFormedLoggerRequest(rest);
        default:
            return false;
    }
}

Module::Module(const ModuleSettings& settings) {
    Reset(settings);
}

void Module::Reset(const ModuleSettings& settings) {
    settings_ = settings;
    logger_.SetCapacity(static_cast<std::size_t>(std::max(settings.queueCapacity, 1)));
    pendingBaudCode_ = settings.baudCode;
    pendingChecksum_ = settings.checksum;
}

int Module::FormatFlags() const {
    int flags = settings_.formatFlags & ~(kFlagInstrument | kFlagChecksum);
    // Without an instrument there is nothing to measure, so no value either.
    if (settings_.instrumentAttached)
        flags |= kFlagInstrument;
    else
        flags &= ~kFlagValue;
    if (settings_.checksum) flags |= kFlagChecksum;
    return flags & 0xFF;
}

void Module::PowerCycle() {
    settings_.baudCode = pendingBaudCode_;
    settings_.checksum = pendingChecksum_;
    logger_.PowerCycle();
}

std::optional<std::string> Module::Sample(int config, double now) const {
    if (!settings_.instrumentAttached) return std::nullopt;
    const auto m = MeasurementOf(config, settings_.instrumentModel);
    if (!m) return std::nullopt;
    return ReadingText(*m, fixedValue_ ? *fixedValue_ : PlantValue(m->quantity, m->input, now));
}

void Module::AdvanceLog(double now) {
    logger_.Advance(now, [this](int config, double t) { return Sample(config, t); });
}

void Module::PrefillQueue(int count, int config, int intervalSeconds, double now) {
    AdvanceLog(now);
    logger_.Prefill(count, config, intervalSeconds, now,
                    [this](int c, double t) { return Sample(c, t); });
}

std::optional<std::string> Module::Respond(std::string_view line, int lineBaudCode, double now) {
    // A module on another baud rate sees only noise on the line.
    if (silent_ || lineBaudCode != settings_.baudCode) return std::nullopt;
    std::string_view text = line;
    if (settings_.checksum) {
        // Checksums on: a request without a valid checksum is ignored, not refused.
        std::string framed(line);
        framed += kCr;
        if (!ReplyChecksumOk(framed)) return std::nullopt;
        text = line.substr(0, line.size() - 2);
    } else if (line.size() >= 2 && !IsWellFormedRequest(line) &&
               IsWellFormedRequest(line.substr(0, line.size() - 2))) {
        // Checksums off, but the request carries a valid checksum after a complete command:
        // the sender uses the other checksum mode, and the module does not answer it.
        std::string framed(line);
        framed += kCr;
        if (ReplyChecksumOk(framed)) return std::nullopt;
    }
    return Dispatch(text, now);
}

std::optional<std::string> Module::Dispatch(std::string_view text, double now) {
    if (text.size() < 3) return std::nullopt;
    if (text[0] != '$' && text[0] != '#' && text[0] != '%' && text[0] != '@') return std::nullopt;
    if (HexPairAt(text, 2) != settings_.address) return std::nullopt;
    if (!IsWellFormedRequest(text)) return Refusal();

    char buf[40];
    const bool inst = settings_.instrumentAttached;
    switch (text[0]) {
        case '#':
            return ValueReply(now);
        case '%':
            return SetConfiguration(text);
        case '@': {
            auto data = logger_.Handle(text.substr(3), now,
                                       [this](int config, double t) { return Sample(config, t); });
            return data ? Accepted() + *data : Refusal();
        }
        default:
            break;
    }
    switch (text[3]) {
        case 'M':
            std::snprintf(buf, sizeof buf, "%04d%04d", settings_.moduleModel % 10000,
                          inst ? settings_.instrumentModel % 10000 : 0);
            return Accepted() + buf;
        case 'F':
            std::snprintf(buf, sizeof buf, "%04d%04d", settings_.moduleFirmware % 10000,
                          inst ? settings_.instrumentFirmware % 10000 : 0);
            return Accepted() + buf;
        case 'N':
            if (!(settings_.formatFlags & kFlagNumber)) return Refusal();
            std::snprintf(buf, sizeof buf, "%08ld",
                          inst ? settings_.instrumentNumber % 100000000 : 0);
            return Accepted() + buf;
        case '2':
            if (settings_.muteConfigRead) return std::nullopt;
            return Accepted() + Hex2(settings_.config) + Hex2(settings_.baudCode) +
                   Hex2(FormatFlags());
        default:  // '0': readies the module for the configuration command
            return Accepted();
    }
}

std::string Module::Refusal() const {
    return "?" + Hex2(settings_.address);
}

std::string Module::Accepted() const {
    return "!" + Hex2(settings_.address);
}

std::string Module::SetConfiguration(std::string_view text) {
    const int newAddress = HexPairAt(text, 4);
    const int config = HexPairAt(text, 6);
    const int baudCode = HexPairAt(text, 8);
    const int flags = HexPairAt(text, 10);
    if (baudCode < 3 || baudCode > 8) return Refusal();
    // The configuration byte and the address apply at once; the reply already carries the new
    // address. Baud rate and checksum mode wait for the next power cycle, as the module's line
    // settings cannot change under a running exchange.
    settings_.address = newAddress;
    settings_.config = config;
    pendingBaudCode_ = baudCode;
    pendingChecksum_ = (flags & kFlagChecksum) != 0;
    return Accepted();
}

std::string Module::ValueReply(double now) const {
    if (noValue_) return Refusal();
    // The byte in effect decides what is measured: a change by the configuration command shows
    // in the very next reading.
    const auto reading = Sample(settings_.config, now);
    if (!reading) return Refusal();
    // The backslash closes the reading: the link's reader stops at it, so neither the CR nor
    // checksum digits behind it can be taken for more digits of the number.
    return ">" + *reading + "\\";
}

}  // namespace qx::sim
