#include "common/core/scan_number.h"

#include <locale.h>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace qx {
namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 99;
}

// Matches `word` (lower case) at `pos` regardless of case.
bool MatchWord(std::string_view text, std::size_t pos, std::string_view word) {
    if (text.size() - pos < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (Lower(text[pos + i]) != word[i]) return false;
    }
    return true;
}

// Exponent overflow or underflow: the rare numbers that need the C library's own rounding. The
// "C" locale keeps a user's locale (a decimal comma) out of it.
double SlowConvert(std::string_view token) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    const std::string copy(token);
    return strtod_l(copy.c_str(), nullptr, cLocale);
}

// "inf", "infinity" or "nan" after the sign; a word begun but not finished is a matching
// failure, as the characters read cannot be given back.
bool ScanWord(std::string_view text, std::size_t& pos, bool negative, double* out) {
    double value;
    if (Lower(text[pos]) == 'n') {
        if (!MatchWord(text, pos, "nan")) return false;
        pos += 3;
        value = std::numeric_limits<double>::quiet_NaN();
    } else {
        if (!MatchWord(text, pos, "inf")) return false;
        pos += 3;
        if (pos < text.size() && Lower(text[pos]) == 'i') {
            if (!MatchWord(text, pos, "inity")) return false;
            pos += 5;
        }
        value = std::numeric_limits<double>::infinity();
    }
    *out = negative ? -value : value;
    return true;
}

}  // namespace

void SkipSpace(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
}

bool ScanInt(std::string_view text, std::size_t& pos, bool anyBase, int* out) {
    SkipSpace(text, pos);
    const std::size_t n = text.size();
    bool negative = false;
    if (pos < n && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    int base = 10;
    bool gotDigit = false;
    if (anyBase && pos < n && text[pos] == '0') {
        if (pos + 1 < n && Lower(text[pos + 1]) == 'x') {
            pos += 2;
            base = 16;
            gotDigit = true;  // a bare "0x" is read as 0
        } else {
            base = 8;
        }
    }
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;  // magnitude of the long minimum
    constexpr std::uint64_t kSafe = kLimit / 32;
    std::uint64_t magnitude = 0;
    bool overflow = false;
    while (pos < n) {
        const int d =
            base == 10 ? (IsDigit(text[pos]) ? text[pos] - '0' : 99) : DigitValue(text[pos]);
        if (d >= base) break;
        gotDigit = true;
        // Below kSafe another digit of any base cannot pass the limit; only long numbers pay
        // for the exact check.
        const auto b = static_cast<std::uint64_t>(base), v = static_cast<std::uint64_t>(d);
        if (magnitude < kSafe || magnitude <= (kLimit - v) / b) {
            magnitude = magnitude * b + v;
        } else {
            overflow = true;
        }
        ++pos;
    }
    if (!gotDigit) return false;
    std::int64_t value;
    if (negative) {
        value = (overflow || magnitude >= kLimit) ? std::numeric_limits<std::int64_t>::min()
                                                  : -static_cast<std::int64_t>(magnitude);
    } else {
        value = (overflow || magnitude >= kLimit) ? std::numeric_limits<std::int64_t>::max()
                                                  : static_cast<std::int64_t>(magnitude);
    }
    *out = static_cast<int>(value);  // the low 32 bits, as the C library stores a long into an int
    return true;
}

bool ScanDouble(std::string_view text, std::size_t& pos, double* out) {
    SkipSpace(text, pos);
    const std::size_t n = text.size();
    const std::size_t start = pos;
    bool negative = false;
    if (pos < n && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    if (pos >= n) return false;
    if (Lower(text[pos]) == 'i' || Lower(text[pos]) == 'n')
        return ScanWord(text, pos, negative, out);

    bool hex = false;
    if (text[pos] == '0' && pos + 1 < n && Lower(text[pos + 1]) == 'x') {
        hex = true;
        pos += 2;
    }
    const std::size_t mantissa = pos;
    bool gotDigit = false, gotDot = false, gotExp = false;
    // Plain decimals of up to 15 digits are converted exactly by one division of two exact
    // doubles; everything else goes to from_chars.
    std::uint64_t digits = 0;
    int digitCount = 0, decimals = 0;
    while (pos < n) {
        const char c = text[pos];
        if (!gotExp && (hex ? DigitValue(c) < 16 : IsDigit(c))) {
            gotDigit = true;
            if (!hex && digitCount < 16) {
                digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
                ++digitCount;
                decimals += gotDot;
            }
        } else if (gotExp && IsDigit(c)) {
        } else if (c == '.' && !gotDot && !gotExp) {
            gotDot = true;
        } else if (gotDigit && !gotExp && Lower(c) == (hex ? 'p' : 'e')) {
            gotExp = true;
            if (pos + 1 < n && (text[pos + 1] == '+' || text[pos + 1] == '-')) ++pos;
        } else {
            break;
        }
        ++pos;
    }
    if (hex ? !(gotDigit || gotDot) : !gotDigit) return false;
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    double value = 0.0;
    if (!hex && !gotExp && digitCount <= 15) {
        value = static_cast<double>(digits) / kPowers[decimals];
    } else if (gotDigit) {
        const auto format = hex ? std::chars_format::hex : std::chars_format::general;
        const auto result =
            std::from_chars(text.data() + mantissa, text.data() + pos, value, format);
        if (result.ec == std::errc::result_out_of_range) {
            value = SlowConvert(text.substr(start, pos - start));
            negative = false;  // the sign went in with the text
        } else if (result.ec != std::errc()) {
            return false;
        }
    }
    *out = negative ? -value : value;
    return true;
}

}  // namespace qx
