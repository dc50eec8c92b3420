#pragma once
// The values of the settings store as the program reads them back, from their stored text
// (UTF-8). The store is a text file the user may edit by hand or another version may have
// written: whatever it holds reads as a usable value, the default where the text makes no sense.

#include <optional>
#include <string>
#include <string_view>

namespace qx {

// A whole decimal number with an optional sign, blanks around it allowed; nothing for any other
// text or a number beyond int.
std::optional<int> SettingInt(std::string_view stored);

// true/false or 1/0 in any case, blanks around allowed; nothing for any other text.
std::optional<bool> SettingBool(std::string_view stored);

// A list index 0..last: the default for a text that is no number, the nearest end for one out
// of range.
int SettingIndex(std::string_view stored, int fallback, int last);

// The address edit's text: the first `length` characters (a character is never cut in half).
std::string SettingAddress(std::string_view stored, std::size_t length);

// The device of COM(port + 1): the stored path without blanks around it; /dev/ttyS<port> when
// nothing is left.
std::string SettingPortPath(std::string_view stored, int port);

}  // namespace qx
