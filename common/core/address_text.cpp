#include "common/core/address_text.h"

#include <algorithm>

#include "link/core/protocol.h"

namespace qx {

std::optional<long> AddressNumber(std::string_view text, bool hexadecimal) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (hexadecimal && text.size() - i > 2 && text[i] == '0' && (text[i + 1] | 0x20) == 'x') {
        base = 16;
        i += 2;
    }
    std::size_t digits = 0;
    long value = 0;
    for (; i < text.size(); ++i, ++digits) {
        const int digit = HexDigit(text[i]);
        if (digit < 0 || digit >= base) break;
        if (value < 1000000) value = value * base + digit;
    }
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (digits == 0 || i != text.size()) return std::nullopt;
    return negative ? -value : value;
}

AddressInput ReadAddress(const std::string& text) {
    const std::optional<long> value = AddressNumber(text);
    if (!value) return AddressInput{0, false, text};
    const long clamped = std::clamp<long>(*value, 0, kMaxAddress);
    if (clamped == *value) return AddressInput{static_cast<int>(clamped), false, text};
    return AddressInput{static_cast<int>(clamped), true, std::to_string(clamped)};
}

}  // namespace qx
