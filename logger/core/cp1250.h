#pragma once
// Conversion between UTF-8 (the program's strings) and Windows-1250 (the schedule file on disk),
// so that the file moves between this program and older installations unchanged.

#include <string>
#include <string_view>

namespace qx {

// Characters that Windows-1250 cannot hold, and malformed UTF-8, become '?'.
std::string Utf8ToCp1250(std::string_view utf8);
// The five byte values that Windows-1250 leaves undefined become '?'.
std::string Cp1250ToUtf8(std::string_view cp1250);

}  // namespace qx
