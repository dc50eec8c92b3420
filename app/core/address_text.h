#pragma once
// Reading the bus address that the user typed into the Setup page.

#include <string>

namespace qx {

constexpr int kMaxAddress = 254;  // 255 is never a module's address

struct AddressInput {
    int value = 0;          // the address to use, 0..254
    bool replaced = false;  // the text was out of range and has been replaced
    std::string text;       // the text the edit shall show afterwards
};

// Text that is not a decimal number counts as 0 and stays as typed; a number above 254 becomes
// "254", one below 0 becomes "0", and those replacements are flagged so the edit can show them.
AddressInput ReadAddress(const std::string& text);

}  // namespace qx
