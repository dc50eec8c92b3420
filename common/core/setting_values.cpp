#include "common/core/setting_values.h"

#include <algorithm>
#include <climits>

#include "link/core/port_paths.h"

namespace qx {
namespace {

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && Blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && Blank(text.back()))
        text.remove_suffix(1);
    return text;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::optional<int> SettingInt(std::string_view stored) {
    std::string_view text = Trimmed(stored);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT_MAX || value < INT_MIN) return std::nullopt;
    return static_cast<int>(value);
}

std::optional<bool> SettingBool(std::string_view stored) {
    const std::string_view trimmed = Trimmed(stored);
    std::string text(trimmed.size(), '\0');
    std::transform(trimmed.begin(), trimmed.end(), text.begin(), Lower);
    if (text == "true" || text == "1") return true;
    if (text == "false" || text == "0") return false;
    return std::nullopt;
}

int SettingIndex(std::string_view stored, int fallback, int last) {
    return std::clamp(SettingInt(stored).value_or(fallback), 0, last);
}

std::string SettingAddress(std::string_view stored, std::size_t length) {
    std::size_t end = 0;
    for (std::size_t characters = 0; end < stored.size() && characters < length; ++characters) {
        // A UTF-8 sequence: its lead byte and the continuation bytes after it.
        ++end;
        while (end < stored.size() && (static_cast<unsigned char>(stored[end]) & 0xC0) == 0x80)
            ++end;
    }
    return std::string(stored.substr(0, end));
}

std::string SettingPortPath(std::string_view stored, int port) {
    const std::string_view path = Trimmed(stored);
    if (!path.empty()) return std::string(path);
    return DefaultComDevice(port);
}

}  // namespace qx
