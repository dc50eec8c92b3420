#pragma once
// Loads a data file into the record list, keeping for each quantity only the records whose time
// stamps do not go back in time.

#include <cstddef>
#include <string>
#include <string_view>

#include "common/core/data_record.h"
#include "common/core/progress.h"
#include "data/core/line_source.h"

namespace qx {

struct ReadOutcome {
    bool opened = false;    // false: the file could not be opened; the list is empty
    int lines = 0;          // lines of the file, comment and empty lines included
    int linesReached = 0;   // the line index shown in the closing progress line
    int outOfSequence = 0;  // records dropped because their quantity's time went back
    bool cancelled = false;
    bool outOfMemory = false;
};

// Reads list.fileName into list.records. Progress goes to `progress` every 10, 50 or 100 lines;
// when the dialog is closed there, the list is emptied. The dialog is left open for the table
// fill that follows. `block`: characters read from the file at a time.
ReadOutcome ReadDataFile(RecordList& list, Progress& progress,
                         std::size_t block = LineSource::kDefaultBlock);

inline constexpr std::string_view kReadFileCaption = "TMForm::ReadFile()";
std::string ReadOpenErrorText(std::string_view fileName);
std::string OutOfSequenceText(int count);
// The hint of the table and the graph after a read: the file name, or "???" after a failure.
std::string DataFileHint(std::string_view fileName, bool opened);

}  // namespace qx
