#pragma once
// printf into a std::string, for the request texts of the wire and the messages built from them.
// It lives in the lowest layer because the request texts are built there; every layer above and
// the simulated module use the same one.

#include <string>

namespace qx {

// The whole text, however long; an empty string for a format printf refuses.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qx
