#include "link/core/trace_line.h"

#include <cstdio>

namespace qx {

std::string TraceLine(double seconds, bool fromModule, std::string_view bytes) {
    char head[32];
    std::snprintf(head, sizeof head, "%.3f %c ", seconds, fromModule ? '<' : '>');
    std::string line = head;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r') {
            line += "\\r";
        } else if (c == '\n') {
            line += "\\n";
        } else if (c == '\\') {
            line += "\\\\";
        } else if (u < 0x20 || u >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            line += hex;
        } else {
            line += c;
        }
    }
    return line;
}

}  // namespace qx
