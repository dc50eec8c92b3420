#pragma once
// The schedule file "ROZVRH.QX": line 1 holds the rewrite and all-off flags, lines 2..9 the
// eight entries, every field followed by ";". Windows-1250 text with CR LF line ends.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "logger/core/schedule.h"

namespace qx {

constexpr const char* kScheduleFileName = "ROZVRH.QX";
constexpr std::size_t kMaxLineChars = 250;  // the line reader keeps no more of a line
// Nine lines of a few dozen characters each: a file whose lines have not all ended within its
// first 64 KiB is no schedule file the program wrote. Reading stops there, and what was read is
// taken as a file cut off at that point (its unfinished lines read as empty), so a huge or
// foreign file costs no more time than a real one.
constexpr std::size_t kScheduleReadBound = std::size_t{64} << 10;

// Line `lineNo` (0-based) of `text` as the line reader gives it: up to the next LF, the CR of a
// CR LF pair dropped, at most 250 characters kept. A line cut off by the end of the text before
// its LF, and every line past the end, reads as empty.
std::string ScheduleLine(std::string_view text, int lineNo);

// Fields of a line, each running to the next ";" or the end of the line.
std::vector<std::string> SplitFields(std::string_view line);

// The integer of a field's leading part: blanks, an optional sign, digits; 0 when the field does
// not begin so. Saturates at the limits of int rather than overflowing.
int LeadingInt(std::string_view field);

// Parses the file's bytes (Windows-1250) into a schedule; what is missing reads as false, 0 or
// an empty text.
Schedule ParseScheduleFile(std::string_view bytes);

// The file's bytes for a schedule. A ";" in a text would end its field when read back, so it is
// written as ","; a CR or LF would break the line, so it is written as a blank.
std::string FormatScheduleFile(const Schedule& schedule);

// Loads dir/ROZVRH.QX: what ParseScheduleFile gives for its first kScheduleReadBound bytes.
// When it cannot be opened, `schedule` gets the defaults and the result is false.
bool ReadScheduleFile(const std::filesystem::path& dir, Schedule& schedule);

// Loads a schedule file by its path; false (with the defaults) when it cannot be read.
bool ReadScheduleFileAt(const std::filesystem::path& file, Schedule& schedule);

// Writes dir/ROZVRH.QX through a temporary file in the same directory and a rename, so that a
// crash never leaves a half-written schedule. False (the old file untouched) on any failure.
bool WriteScheduleFile(const std::filesystem::path& dir, const Schedule& schedule);

}  // namespace qx
