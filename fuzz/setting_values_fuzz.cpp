// The values the program reads back from its settings store (a text file anyone may edit): the
// Setup page's numbers, switch and address, and the device paths of COM1..COM4. The input holds
// one stored text per line. Every text gives a usable value, and each rule agrees with a plain
// reading of what it promises.

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "common/core/address_text.h"
#include "common/core/setting_values.h"

namespace {

void Check(bool ok, const char* what, std::string_view text) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s [%.*s]\n", what, static_cast<int>(text.size()),
                     text.data());
        std::abort();
    }
}

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view t) {
    while (!t.empty() && Blank(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && Blank(t.back()))
        t.remove_suffix(1);
    return t;
}

// The C library's reading of a whole decimal number, which must take every character.
std::optional<int> ExpectedInt(std::string_view stored) {
    const std::string text(Trim(stored));
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size() || value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

// Characters of UTF-8 text: each begins with a byte that continues none, or is the first byte.
std::size_t Characters(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        n += i == 0 || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    return n;
}

void CheckOne(std::string_view stored) {
    const std::optional<int> number = qx::SettingInt(stored);
    Check(number == ExpectedInt(stored), "a whole number as the C library reads it", stored);
    const int index = qx::SettingIndex(stored, 3, 5);
    Check(index >= 0 && index <= 5 && (!number || index == std::clamp(*number, 0, 5)) &&
              (number || index == 3),
          "an index is the number held to the list, or the default", stored);

    std::string lower(Trim(stored));
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const std::optional<bool> expected = lower == "true" || lower == "1"    ? std::optional(true)
                                         : lower == "false" || lower == "0" ? std::optional(false)
                                                                            : std::nullopt;
    Check(qx::SettingBool(stored) == expected, "a switch is true/false or 1/0", stored);

    const std::string address = qx::SettingAddress(stored, 3);
    Check(stored.starts_with(address), "the address is the stored text's beginning", stored);
    Check(Characters(address) == std::min<std::size_t>(Characters(stored), 3),
          "the address keeps three characters", stored);
    Check(address.size() == stored.size() ||
              (static_cast<unsigned char>(stored[address.size()]) & 0xC0) != 0x80,
          "no character is cut in half", stored);
    const qx::AddressInput read = qx::ReadAddress(address);
    Check(read.value >= 0 && read.value <= qx::kMaxAddress, "the address reads as a bus address",
          stored);

    const std::string path = qx::SettingPortPath(stored, 2);
    const std::string_view trimmed = Trim(stored);
    Check(trimmed.empty() ? path == "/dev/ttyS2" : path == trimmed,
          "a device path is the stored one without blanks, or the default", stored);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::size_t lf; (lf = input.find('\n')) != std::string_view::npos;) {
        CheckOne(input.substr(0, lf));
        input.remove_prefix(lf + 1);
    }
    CheckOne(input);
    return 0;
}
