#pragma once
// Text formats shared by every page and file: measured values, time stamps with their date and
// time texts, and the line reader and field splitter of the program's text files.
//
// None of these allocate: they write into the caller's buffer and return it. Buffers for
// ValueText, DateText and TimeText hold kTextBufferSize characters.

#include <cstddef>
#include <cstdio>
#include <string_view>

namespace qx {

constexpr std::size_t kTextBufferSize = 300;
constexpr std::size_t kLineKept = 250;                  // characters of a line kept by ReadLine
constexpr std::size_t kLineBufferSize = kLineKept + 1;  // ReadLine's buffer, terminator included

// Seconds of the time-stamp scale: 1 January 1998 00:00:00 is 86400 (day 1).
constexpr double kFirstStamp = 86400.0;
constexpr double kLastStamp = 946684800.0;  // day 10957: the first day DateText no longer shows

// An instrument's bound: a value of this magnitude or more is an overload, shown "OL  " / "LLLL",
// flagged in data lines and left out of statistics and scales.
constexpr double kOverload = 9999.0;

// The limit flag of a data line: 1 at or above the upper bound, 2 at or below the lower, else 0.
constexpr int LimitFlag(double value) {
    return value >= kOverload ? 1 : value <= -kOverload ? 2 : 0;
}

// A measured value as shown and written. `showSign` non-zero puts "+" before non-negative
// numbers; `quantity` is a quantity code or -1; `rangeHint` a range code or -1 (caps the
// decimals); `unit` a quantity code whose unit is appended after two blanks, or -1.
// "(?)" for no value (|value| >= 1e10), "OL  " / "LLLL" for an overload.
char* ValueText(char* buf, double value, int showSign, int quantity, int rangeHint, int unit);

// Time stamp of a local date and time; -1.0 for an invalid date or time. Years before 1998 and
// after 2028 are clamped to the ends of the scale.
double EncodeStamp(int year, int month, int day, int hour, int minute, int second, int millisecond);

// "dd.mm.yyyy" (or "dd.mm." without the year); "(???)" outside 01.01.1998..30.12.2027.
char* DateText(char* buf, double stamp, bool withYear);

// "hh:mm:ss" followed by `separator` and the tenths; without the tenths when `separator` is 0.
// A negative or non-finite stamp (which no caller shows) gives "(???)".
char* TimeText(char* buf, double stamp, char separator);

// Replaces in place every `from` in the zero-terminated `text` by `to`.
char* ReplaceChar(char* text, char from, char to);

// Reads one line into `buf` (kLineBufferSize characters): true with the line (at most kLineKept
// characters kept, the rest of a longer line skipped, a CR before the LF removed); false with an
// empty buffer at the end of the file. The characters of a last line without LF are dropped.
bool ReadLine(std::FILE* file, char* buf);

// The same over text already in memory: reads from `*pos` onwards and advances `*pos` past the
// line. Large files are read fastest this way (one read of the whole file, no per-byte locking).
bool ReadLine(std::string_view data, std::size_t* pos, char* buf);

// Copies the field at `*cursor` up to the next ';' or the end of the text into `out` and moves
// the cursor past that ';'. `out` must hold as many characters as the rest of the text.
char* NextField(char* out, const char** cursor);

}  // namespace qx
