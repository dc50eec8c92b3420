#include "logger/core/limit_field.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

namespace qx {
namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// "%d" at text[pos]: blanks, sign, at least one digit. Saturates instead of overflowing.
bool ScanInt(std::string_view text, std::size_t& pos, int& value) {
    std::size_t p = pos;
    while (p < text.size() && std::isspace(static_cast<unsigned char>(text[p])))
        ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    if (p >= text.size() || !IsDigit(text[p])) return false;
    long long v = 0;
    for (; p < text.size() && IsDigit(text[p]); ++p) {
        if (v <= INT_MAX) v = v * 10 + (text[p] - '0');
    }
    if (negative) v = -v;
    value = static_cast<int>(v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : v);
    pos = p;
    return true;
}

// Length of the leading decimal number of `s` (after its blanks): sign, digits with an optional
// point, an optional exponent. `start` gets the position where the number begins.
std::size_t DecimalSpan(std::string_view s, std::size_t& start) {
    std::size_t p = 0;
    while (p < s.size() && std::isspace(static_cast<unsigned char>(s[p])))
        ++p;
    start = p;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
    std::size_t digits = 0;
    for (; p < s.size() && IsDigit(s[p]); ++p)
        ++digits;
    if (p < s.size() && s[p] == '.') {
        ++p;
        for (; p < s.size() && IsDigit(s[p]); ++p)
            ++digits;
    }
    if (digits == 0) return 0;
    if (p < s.size() && (s[p] == 'e' || s[p] == 'E')) {
        std::size_t q = p + 1;
        if (q < s.size() && (s[q] == '+' || s[q] == '-')) ++q;
        if (q < s.size() && IsDigit(s[q])) {
            while (q < s.size() && IsDigit(s[q]))
                ++q;
            p = q;
        }
    }
    return p - start;
}

// The value of the leading decimal number; 0 when there is none.
double LeadingDouble(std::string_view s) {
    std::size_t start = 0;
    const std::size_t len = DecimalSpan(s, start);
    if (len == 0) return 0.0;
    std::string_view number = s.substr(start, len);
    bool negative = false;
    if (number[0] == '+' || number[0] == '-') {
        negative = number[0] == '-';
        number.remove_prefix(1);
    }
    double v = 0.0;
    const auto res = std::from_chars(number.data(), number.data() + number.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        // Beyond double's reach: an enormous limit clips to 9999 later, a tiny one is 0.
        const bool tiny = number.find("e-") != std::string_view::npos ||
                          number.find("E-") != std::string_view::npos;
        v = tiny ? 0.0 : HUGE_VAL;
    }
    return negative ? -v : v;
}

}  // namespace

NumberPair ParsePair(std::string_view text, char sep) {
    NumberPair pair;
    std::size_t pos = 0;
    if (!ScanInt(text, pos, pair.first)) return pair;
    if (pos < text.size() && text[pos] == sep) {
        ++pos;
        ScanInt(text, pos, pair.second);
    }
    return pair;
}

std::string EncodeLimit(std::string_view text) {
    int sign = text.empty() ? 0 : text[0] == '-' ? 2 : text[0] == '+' ? 1 : 0;
    // A "C" (below) or "L" (above) ends the number and moves the limit one unit outward.
    double adjust = 0.0;
    std::string number(text);
    const std::size_t letter = number.find_first_of("CcLl");
    if (letter != std::string::npos) {
        const bool below = number[letter] == 'C' || number[letter] == 'c';
        adjust = below ? -1.0 : 1.0;
        sign = below ? 2 : 1;
        number.resize(letter);
    }
    for (char& c : number) {
        if (c == ',') c = '.';
    }
    double magnitude = std::fabs(LeadingDouble(number) + adjust);
    if (magnitude > 9999.0) magnitude = 9999.0;
    int decimals = 0;
    while (magnitude < 1000.0 && decimals < 3) {
        magnitude *= 10.0;
        ++decimals;
    }
    if (magnitude < 1.0) sign = 1;
    char field[8];
    std::snprintf(field, sizeof field, "%X%04i", 4 * decimals + sign, static_cast<int>(magnitude));
    return field;
}

}  // namespace qx
