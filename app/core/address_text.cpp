#include "app/core/address_text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace qx {

namespace {

// Whole-text decimal conversion: optional blanks, one sign, digits, optional blanks; anything
// else is no number. Long digit strings saturate instead of overflowing.
bool ParseDecimal(const std::string& text, long* out) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::size_t digits = 0;
    long value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        if (value < 1000000) value = value * 10 + (text[i] - '0');
        ++i;
        ++digits;
    }
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (digits == 0 || i != text.size()) return false;
    *out = negative ? -value : value;
    return true;
}

}  // namespace

AddressInput ReadAddress(const std::string& text) {
    long value = 0;
    if (!ParseDecimal(text, &value)) return AddressInput{0, false, text};
    const long clamped = std::clamp<long>(value, 0, kMaxAddress);
    if (clamped == value) return AddressInput{static_cast<int>(value), false, text};
    return AddressInput{static_cast<int>(clamped), true, std::to_string(clamped)};
}

}  // namespace qx
