#pragma once
// Number scanners with the exact acceptance rules of the C library's formatted input ("%i", "%d",
// "%lf" in the "C" locale), but without its cost: one pass over the characters, no locale, no
// allocation. Data files written by older installations were read with those rules, so a line
// must mean the same to us as it did there, including its odd corners (a dangling exponent, a
// bare "0x", octal by a leading zero).

#include <cstddef>
#include <string_view>

namespace qx {

// Each scanner starts at `pos` in `text`, skips white space first as the formatted input does,
// and on success stores the number, moves `pos` past every character the conversion consumed
// and returns true. On a matching failure it returns false; `pos` is then unspecified and the
// output untouched.

// "%i" (base by prefix: "0x" hexadecimal, leading "0" octal, otherwise decimal) when `anyBase`,
// else "%d". The number is taken as a 64-bit long that saturates, then cut to int, as the C
// library stores it.
bool ScanInt(std::string_view text, std::size_t& pos, bool anyBase, int* out);

// "%lf": decimal or hexadecimal floating point, "inf", "infinity" and "nan" in any case.
bool ScanDouble(std::string_view text, std::size_t& pos, double* out);

// Skips the characters that count as white space for formatted input.
void SkipSpace(std::string_view text, std::size_t& pos);

}  // namespace qx
