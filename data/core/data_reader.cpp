#include "data/core/data_reader.h"

#include <array>
#include <climits>
#include <cstring>
#include <new>

#include <sys/mman.h>

#include <cstdint>

#include "common/core/data_line.h"
#include "data/core/line_source.h"
#include "link/core/string_format.h"
#include "measure/core/text_format.h"

namespace qx {
namespace {

// A million records are 24 MB touched page by page as they arrive; large pages save most of
// those page faults. Only a hint: where the system declines, nothing changes.
void AdviseLargePages(void* data, std::size_t bytes) {
#ifdef __linux__
    constexpr std::uintptr_t kLarge = 2u << 20;
    const auto from = (reinterpret_cast<std::uintptr_t>(data) + kLarge - 1) & ~(kLarge - 1);
    const auto to = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kLarge - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

int ProgressStep(long long lines) {
    return lines > 1000 ? 100 : lines > 200 ? 50 : 10;
}

DataRecord MakeRecord(const DataLineFields& f) {
    DataRecord r;
    r.address = static_cast<std::uint8_t>(f.address & 0xFF);
    r.config = static_cast<std::uint8_t>(f.config & 0xFF);
    r.limit = static_cast<std::uint8_t>(f.limit & 0xFF);
    r.value = f.value;
    // Tenths far beyond a second cannot come from a writer; keep the product inside int.
    const long long ms = static_cast<long long>(f.tenths) * 100;
    const int milliseconds = ms > INT_MAX ? INT_MAX : ms < INT_MIN ? INT_MIN : static_cast<int>(ms);
    r.stamp = EncodeStamp(f.year, f.month, f.day, f.hour, f.minute, f.second, milliseconds);
    return r;
}

// The pass over the lines; returns the line index reached.
int ReadLines(LineSource& source, int lines, RecordList& list, Progress& progress,
              ReadOutcome& outcome) {
    const int step = ProgressStep(lines);
    std::array<double, 8> lastStamp{};
    for (int i = 0; i < lines; ++i) {
        char* text = nullptr;
        std::size_t length = 0;
        if (!source.Next(text, length)) break;  // the file shrank since it was counted
        if (length == 0 || text[0] == ';') continue;
        // Decimal commas become points (a line has one or two of them: find, not walk).
        for (char* at = text;
             (at = static_cast<char*>(std::memchr(at, ',', length - (at - text))));) {
            *at++ = '.';
        }
        DataLineFields fields;
        ParseDataLine(std::string_view(text, length), fields);
        const DataRecord record = MakeRecord(fields);
        const int q = record.Quantity();
        if (record.stamp >= lastStamp[q]) {
            lastStamp[q] = record.stamp;
            list.records.push_back(record);
        } else {
            ++outcome.outOfSequence;
        }
        if (i % step == step - 1) {
            if (progress.Cancelled()) {
                outcome.cancelled = true;
                list.records.clear();
                return i;
            }
            progress.AddLine(Format(" %i  záznamů", i + 1), i);
        }
    }
    return lines;
}

}  // namespace

ReadOutcome ReadDataFile(RecordList& list, Progress& progress, std::size_t block) {
    ReadOutcome outcome;
    list.records.clear();
    list.records.shrink_to_fit();
    LineSource source;
    if (!source.Open(list.fileName, block)) return outcome;
    outcome.opened = true;
    const long long counted = source.CountLines();
    // The list is indexed by int, as the line counter and the progress bar are.
    const int lines = counted > INT_MAX - 2 ? INT_MAX - 2 : static_cast<int>(counted);
    outcome.lines = lines;
    if (lines == 0) return outcome;
    try {
        // Room for every line; pages are touched only as records arrive.
        list.records.reserve(static_cast<std::size_t>(lines) + 2);
        AdviseLargePages(list.records.data(), list.records.capacity() * sizeof(DataRecord));
    } catch (const std::bad_alloc&) {
        list.records = {};
        outcome.outOfMemory = true;
        return outcome;
    }
    progress.Open("Čtení dat ze souboru", lines);
    outcome.linesReached = ReadLines(source, lines, list, progress, outcome);
    progress.AddLine(Format("Celkem %i  záznamů ", outcome.linesReached), outcome.linesReached);
    progress.Pause(1500);
    return outcome;
}

std::string ReadOpenErrorText(std::string_view fileName) {
    return "Nelze otevřít soubor  " + std::string(fileName) + "  !";
}

std::string OutOfSequenceText(int count) {
    return Format(
        "Bylo zjištěno  %i  hodnot mimo časovou posloupnost.\nTyto hodnoty budou v tabulce a grafu "
        "ignorovány.",
        count);
}

std::string DataFileHint(std::string_view fileName, bool opened) {
    return "Soubor dat:  " + (opened ? std::string(fileName) : std::string("???"));
}

}  // namespace qx
