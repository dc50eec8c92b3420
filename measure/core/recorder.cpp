#include "measure/core/recorder.h"

#include <chrono>
#include <ctime>

#include "common/core/data_line.h"
#include "measure/core/text_format.h"

namespace qx {

bool Recorder::OpenFile(const std::string& fileName, bool append) {
    file_.Close();
    lineCount_ = 0;
    return append ? file_.Append(fileName) : file_.Create(fileName);
}

void Recorder::CloseFile() {
    file_.Close();
    lineCount_ = 0;
}

Recorder::Step Recorder::WriteRecord(int address, int tenths, const StationRecord& station) {
    int& lastWritten = lastWritten_[static_cast<std::size_t>(address & 0xFF)];
    if (!file_.IsOpen() || tenths == lastWritten) return Step::Skipped;
    const LocalTime now = clock_();
    const int nowTenths =
        now.hour * 36000 + now.minute * 600 + now.second * 10 + now.millisecond / 100;
    lastWritten = nowTenths;
    int hour = now.hour, minute = now.minute, second = now.second, tenth = now.millisecond / 100;
    if (nowTenths > tenths) {
        // The usual case: the value was read a moment ago; its own time is written. A value time
        // after now means midnight passed in between, and now is the better time then.
        hour = tenths / 36000;
        minute = (tenths % 36000) / 600;
        second = (tenths % 600) / 10;
        tenth = tenths % 10;
        lastWritten = tenths;
    }
    const char limit = static_cast<char>('0' + LimitFlag(station.value));
    char text[kTextBufferSize];
    ValueText(text, station.value, station.sign, -1, -1, -1);
    ReplaceChar(text, '.', ',');
    const std::string line = FormatDataLine({address, station.config, text, limit, now.day,
                                             now.month, now.year, hour, minute, second, tenth});
    if (!file_.Write(line)) {
        file_.Close();
        lineCount_ = 0;
        return Step::Failed;
    }
    ++lineCount_;
    return Step::Written;
}

std::string RecordingOpenErrorText(std::string_view fileName) {
    return "Nelze otevřít soubor " + std::string(fileName) + " !";
}

}  // namespace qx
