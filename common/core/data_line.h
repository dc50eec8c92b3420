#pragma once
// The one line codec of data files: the writers (recording, download) format a line with
// FormatDataLine, the reader parses it with ParseDataLine. A data line is
//   address TAB config TAB value TAB limit TAB dd.mm.yyyy TAB hh:mm:ss BLANK tenths
// with the address and configuration byte as "0x" and two hex digits and a decimal comma in the
// value.

#include <cstddef>
#include <string>
#include <string_view>

namespace qx {

// The fields of one data line. The defaults are the presets that a field keeps when it (or a
// field before it) does not parse.
struct DataLineFields {
    int address = 0;
    int config = 0;
    double value = 0.0;
    int limit = 0;
    int day = 1;
    int month = 1;
    int year = 1998;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int tenths = 0;
};

// Parses `line` (its decimal commas already turned into points) field by field with the rules of
// the C library's "%i %i %lf %d %d.%d.%d %d:%d:%d %d". Parsing stops at the first field that does
// not match; that field and the later ones keep their values in `fields`. Returns the number of
// fields read (0 to 11). Linear in the line length.
int ParseDataLine(std::string_view line, DataLineFields& fields);

// What a writer puts into one line. `valueText` is the value text with its decimal comma; `limit`
// is '0', '1' or '2'.
struct DataLineOut {
    int address;
    int config;
    std::string_view valueText;
    char limit;
    int day, month, year;
    int hour, minute, second;
    int tenths;
};

// The line as written, with the CR LF line end of the files that older installations exchange.
std::string FormatDataLine(const DataLineOut& line);

}  // namespace qx
