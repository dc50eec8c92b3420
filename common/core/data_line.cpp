#include "common/core/data_line.h"

#include <cstdint>
#include <cstdio>

#include "common/core/scan_number.h"
#include "link/core/protocol.h"

namespace qx {
namespace {

bool Literal(std::string_view text, std::size_t& pos, char c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

int Digit(char c) {
    return c >= '0' && c <= '9' ? c - '0' : -1;
}

// Fixed-width decimal field of `width` digits at `pos`; -1 when a character is no digit.
int Fixed(std::string_view s, std::size_t pos, int width) {
    int v = 0;
    for (int i = 0; i < width; ++i) {
        const int d = Digit(s[pos + static_cast<std::size_t>(i)]);
        if (d < 0) return -1;
        v = v * 10 + d;
    }
    return v;
}

// The layout that every writer produces, read at fixed places. Returns false for anything else
// (which the general parse then reads with the same result it would give here).
bool ParseWritten(std::string_view s, DataLineFields& f) {
    // "0xHH\t0xHH\t" value "\tL\tdd.mm.yyyy\thh:mm:ss t"
    if (s.size() < 10 + 1 + 22 + 2 || s[0] != '0' || s[1] != 'x' || s[4] != '\t' || s[5] != '0' ||
        s[6] != 'x' || s[9] != '\t') {
        return false;
    }
    const int a1 = HexDigit(s[2]), a0 = HexDigit(s[3]), c1 = HexDigit(s[7]), c0 = HexDigit(s[8]);
    if ((a1 | a0 | c1 | c0) < 0) return false;
    // Value: optional sign, digits, optionally a point and digits; at most 15 digits in all.
    std::size_t pos = 10;
    const bool negative = s[pos] == '-';
    if (s[pos] == '+' || s[pos] == '-') ++pos;
    std::uint64_t digits = 0;
    int count = 0, decimals = 0, before = 0;
    for (; pos < s.size() && Digit(s[pos]) >= 0; ++pos, ++count, ++before)
        digits = digits * 10 + static_cast<std::uint64_t>(Digit(s[pos]));
    if (before == 0) return false;
    if (pos < s.size() && s[pos] == '.') {
        for (++pos; pos < s.size() && Digit(s[pos]) >= 0; ++pos, ++count, ++decimals)
            digits = digits * 10 + static_cast<std::uint64_t>(Digit(s[pos]));
        if (decimals == 0) return false;
    }
    if (count > 15 || s.size() - pos < 22 + 2) return false;
    const std::string_view rest = s.substr(pos);  // "\tL\tdd.mm.yyyy\thh:mm:ss t..."
    if (rest[0] != '\t' || rest[2] != '\t' || rest[5] != '.' || rest[8] != '.' ||
        rest[13] != '\t' || rest[16] != ':' || rest[19] != ':' || rest[22] != ' ') {
        return false;
    }
    const int limit = Digit(rest[1]), day = Fixed(rest, 3, 2), month = Fixed(rest, 6, 2),
              year = Fixed(rest, 9, 4), hour = Fixed(rest, 14, 2), minute = Fixed(rest, 17, 2),
              second = Fixed(rest, 20, 2);
    if ((limit | day | month | year | hour | minute | second) < 0) return false;
    const std::size_t tenthsLength = rest.size() - 23;
    if (tenthsLength < 1 || tenthsLength > 9) return false;
    const int tenths = Fixed(rest, 23, static_cast<int>(tenthsLength));
    if (tenths < 0) return false;

    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const double value = static_cast<double>(digits) / kPowers[decimals];
    f.address = a1 * 16 + a0;
    f.config = c1 * 16 + c0;
    f.value = negative ? -value : value;
    f.limit = limit;
    f.day = day, f.month = month, f.year = year;
    f.hour = hour, f.minute = minute, f.second = second;
    f.tenths = tenths;
    return true;
}

}  // namespace

int ParseDataLine(std::string_view line, DataLineFields& f) {
    if (ParseWritten(line, f)) return 11;
    std::size_t pos = 0;
    // Blanks in the format match any white space, which every conversion skips anyway; the "."
    // and ":" of the date and time must stand right after the number before them.
    if (!ScanInt(line, pos, true, &f.address)) return 0;
    if (!ScanInt(line, pos, true, &f.config)) return 1;
    if (!ScanDouble(line, pos, &f.value)) return 2;
    if (!ScanInt(line, pos, false, &f.limit)) return 3;
    if (!ScanInt(line, pos, false, &f.day)) return 4;
    if (!Literal(line, pos, '.') || !ScanInt(line, pos, false, &f.month)) return 5;
    if (!Literal(line, pos, '.') || !ScanInt(line, pos, false, &f.year)) return 6;
    if (!ScanInt(line, pos, false, &f.hour)) return 7;
    if (!Literal(line, pos, ':') || !ScanInt(line, pos, false, &f.minute)) return 8;
    if (!Literal(line, pos, ':') || !ScanInt(line, pos, false, &f.second)) return 9;
    if (!ScanInt(line, pos, false, &f.tenths)) return 10;
    return 11;
}

std::string FormatDataLine(const DataLineOut& l) {
    // The value text is at most a few characters; the buffer also bounds a foreign one.
    char buffer[400];
    const int n = std::snprintf(
        buffer, sizeof buffer, "0x%02X\t0x%02X\t%.*s\t%c\t%02i.%02i.%04i\t%02i:%02i:%02i %i\r\n",
        l.address & 0xFF, l.config & 0xFF,
        static_cast<int>(l.valueText.size() > 300 ? 300 : l.valueText.size()), l.valueText.data(),
        l.limit, l.day, l.month, l.year, l.hour, l.minute, l.second, l.tenths);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace qx
