#pragma once
// Reading a bus address that the user typed: the Setup page's address, the reconfiguration
// dialog's two addresses, the schedule's address and meridoctl's --addr all read it here.

#include <optional>
#include <string>
#include <string_view>

namespace qx {

constexpr int kMaxAddress = 254;  // 255 is never a module's address

// The number an address text holds: blanks around it, one sign and decimal digits; with
// `hexadecimal` also "0x" (or "0X") and hexadecimal digits. Anything else is no number. Long
// digit strings saturate instead of overflowing, so they still read as out of range.
std::optional<long> AddressNumber(std::string_view text, bool hexadecimal = false);

struct AddressInput {
    int value = 0;          // the address to use, 0..254
    bool replaced = false;  // the text was out of range and has been replaced
    std::string text;       // the text the edit shall show afterwards
};

// An address edit of the window (the Setup page, the reconfiguration dialog): text that is no
// number counts as 0 and stays as typed; a number above 254 becomes "254", one below 0 becomes
// "0", and those replacements are flagged so the edit can show them.
AddressInput ReadAddress(const std::string& text);

}  // namespace qx
