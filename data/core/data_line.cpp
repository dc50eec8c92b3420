#include "data/core/data_line.h"

#include <cstdio>

#include "data/core/scan_number.h"

namespace qx {
namespace {

bool Literal(std::string_view text, std::size_t& pos, char c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

}  // namespace

int ParseDataLine(std::string_view line, DataLineFields& f) {
    std::size_t pos = 0;
    // Blanks in the format match any white space, which every conversion skips anyway; the "."
    // and ":" of the date and time must stand right after the number before them.
    if (!ScanInt(line, pos, true, &f.address)) return 0;
    if (!ScanInt(line, pos, true, &f.config)) return 1;
    if (!ScanDouble(line, pos, &f.value)) return 2;
    if (!ScanInt(line, pos, false, &f.limit)) return 3;
    if (!ScanInt(line, pos, false, &f.day)) return 4;
    if (!Literal(line, pos, '.') || !ScanInt(line, pos, false, &f.month)) return 5;
    if (!Literal(line, pos, '.') || !ScanInt(line, pos, false, &f.year)) return 6;
    if (!ScanInt(line, pos, false, &f.hour)) return 7;
    if (!Literal(line, pos, ':') || !ScanInt(line, pos, false, &f.minute)) return 8;
    if (!Literal(line, pos, ':') || !ScanInt(line, pos, false, &f.second)) return 9;
    if (!ScanInt(line, pos, false, &f.tenths)) return 10;
    return 11;
}

std::string FormatDataLine(const DataLineOut& l) {
    // The value text is at most a few characters; the buffer also bounds a foreign one.
    char buffer[400];
    const int n = std::snprintf(
        buffer, sizeof buffer, "0x%02X\t0x%02X\t%.*s\t%c\t%02i.%02i.%04i\t%02i:%02i:%02i %i\r\n",
        l.address & 0xFF, l.config & 0xFF,
        static_cast<int>(l.valueText.size() > 300 ? 300 : l.valueText.size()), l.valueText.data(),
        l.limit, l.day, l.month, l.year, l.hour, l.minute, l.second, l.tenths);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace qx
