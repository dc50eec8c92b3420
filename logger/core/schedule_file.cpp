#include "logger/core/schedule_file.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <system_error>

#ifdef __unix__
#include <unistd.h>
#endif

#include "common/core/regular_file.h"
#include "logger/core/cp1250.h"

namespace qx {

std::string ScheduleLine(std::string_view text, int lineNo) {
    std::size_t start = 0;
    for (int n = 0; n < lineNo; ++n) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) return {};
        start = lf + 1;
    }
    const std::size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos) return {};  // cut off before its line feed
    std::string_view line = text.substr(start, lf - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return std::string(line.substr(0, kMaxLineChars));
}

std::vector<std::string> SplitFields(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t semi = line.find(';', pos);
        if (semi == std::string_view::npos) {
            fields.emplace_back(line.substr(pos));
            break;
        }
        fields.emplace_back(line.substr(pos, semi - pos));
        pos = semi + 1;
    }
    return fields;
}

int LeadingInt(std::string_view field) {
    std::size_t pos = 0;
    while (pos < field.size() && std::isspace(static_cast<unsigned char>(field[pos])))
        ++pos;
    bool negative = false;
    if (pos < field.size() && (field[pos] == '+' || field[pos] == '-')) {
        negative = field[pos] == '-';
        ++pos;
    }
    long long value = 0;
    for (; pos < field.size() && std::isdigit(static_cast<unsigned char>(field[pos])); ++pos) {
        value = value * 10 + (field[pos] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

namespace {

std::string FieldAt(const std::vector<std::string>& fields, std::size_t i) {
    return i < fields.size() ? Cp1250ToUtf8(fields[i]) : std::string();
}

int NumberAt(const std::vector<std::string>& fields, std::size_t i) {
    return i < fields.size() ? LeadingInt(fields[i]) : 0;
}

// The text as it goes into the file: Windows-1250, and nothing that would split a field or line.
std::string FileText(const std::string& text) {
    std::string out = Utf8ToCp1250(text);
    for (char& c : out) {
        if (c == ';') c = ',';
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

}  // namespace

Schedule ParseScheduleFile(std::string_view bytes) {
    Schedule s;
    const auto head = SplitFields(ScheduleLine(bytes, 0));
    s.rewrite = NumberAt(head, 0) != 0;
    s.allOff = NumberAt(head, 1) != 0;
    for (int n = 0; n < kShedEntries; ++n) {
        const auto f = SplitFields(ScheduleLine(bytes, n + 1));
        ShedEntry& e = s.entries[n];
        e.active = NumberAt(f, 0) != 0;
        e.quantity = NumberAt(f, 1);
        e.range = NumberAt(f, 2);
        e.input = NumberAt(f, 3);
        e.date = FieldAt(f, 4);
        e.time = FieldAt(f, 5);
        e.interval = FieldAt(f, 6);
        e.high = FieldAt(f, 7);
        e.low = FieldAt(f, 8);
        e.limitInterval = FieldAt(f, 9);
    }
    return s;
}

std::string FormatScheduleFile(const Schedule& schedule) {
    std::string out;
    out += std::to_string(schedule.rewrite ? 1 : 0) + ";" + std::to_string(schedule.allOff ? 1 : 0);
    out += "\r\n";
    for (const ShedEntry& e : schedule.entries) {
        out += std::to_string(e.active ? 1 : 0) + ";";
        out += std::to_string(e.quantity) + ";";
        out += std::to_string(e.range) + ";";
        out += std::to_string(e.input) + ";";
        for (const std::string* text :
             {&e.date, &e.time, &e.interval, &e.high, &e.low, &e.limitInterval}) {
            out += FileText(*text) + ";";
        }
        out += "\r\n";
    }
    return out;
}

namespace {

// The lines the schedule uses, each cut to what a line keeps, as the text ParseScheduleFile
// reads: no more than the first kScheduleReadBound bytes are read, in blocks, and only the kept
// part of each line is stored, so neither the file's size nor a line without end costs time or
// memory. A line is kept raw, one character beyond what a line
// keeps: ScheduleLine then drops its CR and cuts it exactly as it would the whole line (dropping
// the CR here as well would take a second CR off a line ending in CR CR LF). False when reading
// fails.
bool ReadScheduleLines(std::FILE* file, std::string& kept) {
    constexpr int kLines = 1 + kShedEntries;
    char block[1 << 14];
    std::size_t lineChars = 0;  // characters of the current line read so far
    std::size_t read = 0;       // bytes of the file read so far
    int lines = 0;
    while (lines < kLines && read < kScheduleReadBound) {
        const std::size_t n =
            std::fread(block, 1, std::min(sizeof block, kScheduleReadBound - read), file);
        if (n == 0) return std::ferror(file) == 0;
        read += n;
        for (std::size_t i = 0; i < n && lines < kLines; ++i) {
            const char c = block[i];
            if (c == '\n') {
                lineChars = 0;
                ++lines;
            } else if (lineChars++ > kMaxLineChars) {
                continue;
            }
            kept += c;
        }
    }
    return true;
}

}  // namespace

bool ReadScheduleFile(const std::filesystem::path& dir, Schedule& schedule) {
    return ReadScheduleFileAt(dir / kScheduleFileName, schedule);
}

bool ReadScheduleFileAt(const std::filesystem::path& path, Schedule& schedule) {
    std::FILE* file = OpenRegularFile(path.string(), FileAccess::Read);
    std::string kept;
    const bool read = file != nullptr && ReadScheduleLines(file, kept);
    if (file != nullptr) std::fclose(file);
    // Missing, not a file or unreadable: the defaults.
    schedule = read ? ParseScheduleFile(kept) : Schedule::Defaults();
    return read;
}

bool WriteScheduleFile(const std::filesystem::path& dir, const Schedule& schedule) {
    const std::filesystem::path target = dir / kScheduleFileName;
    const std::filesystem::path temp = dir / (std::string(kScheduleFileName) + ".tmp");
    const std::string bytes = FormatScheduleFile(schedule);
    std::FILE* f = OpenRegularFile(temp.string(), FileAccess::Write);
    if (f == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fflush(f) == 0 && ok;
#ifdef __unix__
    ok = ::fsync(fileno(f)) == 0 && ok;  // the rename must not overtake the data on disk
#endif
    ok = std::fclose(f) == 0 && ok;
    std::error_code ec;
    if (ok) std::filesystem::rename(temp, target, ec);
    if (!ok || ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace qx
