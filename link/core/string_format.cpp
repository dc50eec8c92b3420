#include "link/core/string_format.h"

#include <cstdarg>
#include <cstdio>

namespace qx {

std::string Format(const char* format, ...) {
    // Nearly every text fits the stack buffer; a longer one is printed again at its own length.
    char buf[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    std::string text;
    if (n >= 0 && static_cast<std::size_t>(n) < sizeof buf) {
        text.assign(buf, static_cast<std::size_t>(n));
    } else if (n > 0) {
        text.resize(static_cast<std::size_t>(n));
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    }
    va_end(again);
    return text;
}

}  // namespace qx
