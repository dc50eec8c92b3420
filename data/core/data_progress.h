#pragma once
// What a long operation without bus traffic (reading a file, filling the table) needs from the
// progress dialog. The dialog's visibility is the cancel signal: a dialog the user closed with
// "Storno" is no longer visible.

#include <string_view>

namespace qx {

class DataProgress {
  public:
    virtual ~DataProgress() = default;
    virtual void Open(std::string_view title, int maximum) = 0;
    // Appends a log line and moves the bar to `position`; a `maximum` of -1 keeps the maximum.
    virtual void AddLine(std::string_view text, int position, int maximum = -1) = 0;
    virtual void Finish(bool keepOpen) = 0;
    virtual bool Visible() const = 0;
    // Lets the user interface deliver its pending events (the "Storno" click among them).
    virtual void ProcessEvents() = 0;
    // The fixed pauses that leave the last log line readable; tests make them instant.
    virtual void Pause(int milliseconds) = 0;
};

}  // namespace qx
