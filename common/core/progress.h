#pragma once
// What a long operation reports to the shared progress dialog, and how it learns that the user
// has cancelled. The dialog's visibility is the cancel signal: a dialog the user closed with
// "Storno" is no longer visible.

#include <string_view>

namespace qx {

class Progress {
  public:
    virtual ~Progress() = default;
    // Shows the dialog afresh: title, empty log, bar at 0 of `maximum`.
    virtual void Open(std::string_view title, int maximum) = 0;
    // Adds `text` as a new last line; a position or maximum of -1 is left alone.
    virtual void AddLine(std::string_view text, int position, int maximum = -1) = 0;
    // Moves the bar without adding a line; a position or maximum of -1 is left alone.
    virtual void Move(int position, int maximum = -1) = 0;
    // Appends `text` to the last line (a verdict for the step just done).
    virtual void Append(std::string_view text) = 0;
    // The button reads "OK"; hidden at once unless `keepOpen`.
    virtual void Finish(bool keepOpen) = 0;
    virtual bool Visible() const = 0;
    // Lets the user interface deliver its pending events (the "Storno" click among them).
    virtual void ProcessEvents() = 0;
    // The fixed pauses that leave the last log line readable; tests make them instant.
    virtual void Pause(int milliseconds) = 0;

    // The step of a cancellable loop: delivers pending events, then tells whether the user has
    // closed the dialog.
    bool Cancelled() {
        ProcessEvents();
        return !Visible();
    }
};

}  // namespace qx
