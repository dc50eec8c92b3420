#pragma once
// The recording of live values into a data file: one data line per value notification, each
// flushed to the disk as it is written.

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "common/core/data_file_writer.h"
#include "common/core/local_time.h"
#include "link/core/station.h"

namespace qx {

class Recorder {
  public:
    enum class Step { Skipped, Written, Failed };

    explicit Recorder(LocalClock clock = SystemLocalTime) : clock_(std::move(clock)) {}

    // Creates or empties the file (with `append`, writes after its last line); closes a file
    // still open first. False when the file cannot be opened: recording then stays started
    // without a file and writes nothing.
    bool OpenFile(const std::string& fileName, bool append = false);
    void CloseFile();

    // The recording step for the value of `station` read at bus address `address` at `tenths`
    // (time of day in tenths of a second). A value whose time equals the last one written for
    // the same address is dropped: modules on one bus may answer within the same tenth. A line that
    // cannot be written closes the file, keeping the lines before it, and gives Failed once; the
    // caller tells the user and stops the recording.
    Step WriteRecord(int address, int tenths, const StationRecord& station);

    bool IsOpen() const { return file_.IsOpen(); }
    int LineCount() const { return lineCount_; }

  private:
    LocalClock clock_;
    DataFileWriter file_;
    int lineCount_ = 0;
    // Per address: tenths since midnight of the last line; never reset.
    std::array<int, 256> lastWritten_ = Unwritten();
    static std::array<int, 256> Unwritten() {
        std::array<int, 256> a;
        a.fill(-1);
        return a;
    }
};

inline constexpr std::string_view kOpenFileCaption = "TMForm::OpenFile()";
inline constexpr std::string_view kStartCaption = "TMForm::MOnStartClick()";
std::string RecordingOpenErrorText(std::string_view fileName);

}  // namespace qx
