#include "link/core/protocol.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "link/core/station.h"
#include "link/core/string_format.h"

namespace qx {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the longest decimal number (sign, digits, point, exponent) at the start of `s`;
// 0 when there is none.
std::size_t DecimalLength(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

// A decimal number whose exponent lies beyond a double: from_chars leaves it alone, the C library
// tells an overflow (infinity) from an underflow (0). The "C" locale keeps a decimal comma of the
// user's locale out of it.
double OutOfRange(std::string_view number) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    const std::string copy(number);
    return strtod_l(copy.c_str(), nullptr, cLocale);
}

// Fields of decimal numbers as DecimalAt reads them: digits, blanks and a sign.
bool IsDecimalField(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return IsDigit(c) || c == ' ' || c == '+' || c == '-'; });
}

bool IsHexField(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return HexDigit(c) >= 0; });
}

// The '!' reply to the '$' command `command`, by the layouts of the command table; the other
// '$' commands only need their reply to arrive.
bool FitsStationLayout(char command, std::string_view text) {
    const std::string_view fields = text.substr(3);
    switch (command) {
        case 'M':
        case 'F':
            return text.size() == 11 && IsDecimalField(fields);
        case 'N':
            return text.size() >= 4 && text.size() <= 11 && IsDecimalField(fields);
        case '2':
            return text.size() == 9 && IsHexField(fields);
        default:
            return true;
    }
}

}  // namespace

std::string_view ReplyText(std::string_view reply, bool checksum) {
    if (reply.empty() || reply.back() != kCr) return reply;
    reply.remove_suffix(1);
    if (checksum && reply.size() >= 2) reply.remove_suffix(2);
    return reply;
}

bool ReplyAnswers(std::string_view request, std::string_view reply, bool checksum) {
    const int addr = HexPairAt(request, 2);
    if (addr < 0) return true;
    const char kind = request[0];
    const bool complete = !reply.empty() && reply.back() == kCr;
    const std::string_view text = ReplyText(reply, checksum);
    if (text.empty()) return false;
    const int from = HexPairAt(text, 2);
    const bool named = from == addr || (kind == '%' && from >= 0 && from == HexPairAt(request, 4));
    switch (kind) {
        case '#':
            // Any first character but '>' means no value, so a bare "!AA" from the station is an
            // answer; a '!' reply carrying data is the layout of the other commands, never the
            // value's.
            if (text[0] == '>') return true;
            if (text[0] == '!') return named && text.size() <= 3;
            return from < 0 || named;
        case '$':
        case '%':
        case '@':
            if (text[0] == '?') return from < 0 || named;
            if (text[0] != '!' || !named) return false;
            if (!complete) return true;
            return kind != '$' || request.size() < 4 || FitsStationLayout(request[3], text);
        default:
            return true;
    }
}

std::uint8_t Checksum(std::string_view text) {
    unsigned sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return static_cast<std::uint8_t>(sum & 0xFF);
}

void ChecksumDigits(std::string_view text, char out[2]) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::uint8_t sum = Checksum(text);
    out[0] = kDigits[sum >> 4];
    out[1] = kDigits[sum & 0x0F];
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int HexPairAt(std::string_view reply, int pos) {
    if (pos < 1 || static_cast<std::size_t>(pos) + 1 > reply.size()) return -1;
    int hi = HexDigit(reply[pos - 1]);
    int lo = HexDigit(reply[pos]);
    if (hi < 0 || lo < 0) return -1;
    return hi * 16 + lo;
}

int DecimalAt(std::string_view reply, int first, int last) {
    if (first < 1 || last < first || static_cast<std::size_t>(first) > reply.size()) return 0;
    std::size_t end = std::min<std::size_t>(static_cast<std::size_t>(last), reply.size());
    std::string_view field = reply.substr(first - 1, end - (first - 1));
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    // A reply is short, but a damaged one can carry a run of digits longer than any field: the
    // number is held at the limits of int rather than wrapping (or overflowing the sum).
    constexpr long long kHeld = static_cast<long long>(INT_MAX) + 1;
    long long value = 0;
    while (i < field.size() && IsDigit(field[i]))
        value = std::min(value * 10 + (field[i++] - '0'), kHeld);
    if (negative) value = -value;
    return static_cast<int>(std::min<long long>(value, INT_MAX));
}

bool ReplyChecksumOk(std::string_view reply) {
    if (reply.size() < 3) return false;
    std::size_t n = reply.size() - 3;
    int hi = HexDigit(reply[n]);
    int lo = HexDigit(reply[n + 1]);
    if (hi < 0 || lo < 0) return false;
    return Checksum(reply.substr(0, n)) == hi * 16 + lo;
}

std::string Frame(std::string_view text, bool withChecksum) {
    std::string frame(text);
    if (withChecksum) {
        char digits[2];
        ChecksumDigits(text, digits);
        frame.append(digits, 2);
    }
    frame.push_back(kCr);
    return frame;
}

bool ParseValueReply(std::string_view reply, double* value, int* sign) {
    if (reply.empty() || reply[0] != '>') return false;
    char buf[kBufferSize];
    std::size_t n = std::min(reply.size(), sizeof buf);
    std::copy_n(reply.data(), n, buf);
    // The module marks the value's last place at position 8; only a backslash there is kept.
    if (n >= 8 && buf[7] != '\\') buf[7] = '0';
    std::string_view text(buf + 1, n - 1);
    *sign = text.empty() ? 0 : text[0] == '+' ? 1 : text[0] == '-' ? 2 : 0;
    std::size_t len = DecimalLength(text);
    double v = 0.0;
    if (len > 0) {
        std::string_view number = text.substr(0, len);
        bool negative = number[0] == '-';
        if (number[0] == '+' || number[0] == '-') number.remove_prefix(1);
        if (std::from_chars(number.data(), number.data() + number.size(), v).ec ==
            std::errc::result_out_of_range) {
            v = OutOfRange(number);
        }
        if (negative) v = -v;
    }
    // A magnitude beyond what a value can be (an exponent gone wild) is no value, never a 0.
    *value = std::fabs(v) < kNoValue ? v : kNoValue;
    return true;
}

std::string ReqModel(int addr) {
    return Format("$%02XM", addr);
}
std::string ReqFirmware(int addr) {
    return Format("$%02XF", addr);
}
std::string ReqConfig(int addr) {
    return Format("$%02X2", addr);
}
std::string ReqInstrumentNumber(int addr) {
    return Format("$%02XN", addr);
}
std::string ReqPrepareConfig(int addr) {
    return Format("$%02X0", addr);
}
std::string ReqSetConfig(int addr, int newAddr, int config, int baudCode, int flags) {
    return Format("%%%02X%02X%02X%02X%02X", addr, newAddr, config, baudCode, flags);
}
std::string ReqValue(int addr) {
    return Format("#%02X", addr);
}
std::string ReqQueueFill(int addr) {
    return Format("@%02XRF", addr);
}
std::string ReqQueueRecord(int addr, int toggle) {
    return Format("@%02XRQ%i", addr, toggle);
}
std::string ReqWriteClock(int addr, int hour, int minute, int second, int day, int month,
                          int year) {
    return Format("@%02XWT%02i%02i%02i%02i%02i%02i", addr, hour, minute, second, day, month, year);
}
std::string ReqDisableAll(int addr) {
    return Format("@%02XWE00%02X", addr, 0);
}
std::string ReqWriteEntry(int addr, int index, int config, int hour, int minute, int day, int month,
                          int intervalMinutes, int intervalSeconds) {
    return Format("@%02XWD%i%02X%02i%02i%02i%02i%02i%02i", addr, index, config, hour, minute, day,
                  month, intervalMinutes, intervalSeconds);
}
std::string ReqWriteLimits(int addr, int index, std::string_view lowField,
                           std::string_view highField, int intervalMinutes, int intervalSeconds) {
    std::string req = Format("@%02XWL%i", addr, index);
    req.append(lowField);
    req.append(highField);
    req.append(Format("%02i%02i", intervalMinutes, intervalSeconds));
    return req;
}
std::string ReqWriteEnable(int addr, int rewrite, int mask) {
    return Format("@%02XWE%02X%02X", addr, rewrite, mask);
}
std::string ReqReadClock(int addr) {
    return Format("@%02XRT", addr);
}
std::string ReqReadEntry(int addr, int index) {
    return Format("@%02XRD%i", addr, index);
}
std::string ReqReadLimits(int addr, int index) {
    return Format("@%02XRL%i", addr, index);
}
std::string ReqReadEnable(int addr) {
    return Format("@%02XRE", addr);
}

}  // namespace qx
