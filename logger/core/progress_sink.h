#pragma once
// What a long bus operation reports to the shared progress dialog, and how it learns that the
// user has cancelled.

namespace qx {

class ProgressSink {
  public:
    virtual ~ProgressSink() = default;
    // Shows the dialog afresh: title, empty log, bar at 0 of `maximum`.
    virtual void Open(const char* title, int maximum) = 0;
    // Adds `text` as a new last line unless it is null; a position or maximum of -1 is left alone.
    virtual void AddLine(const char* text, int position, int maximum = -1) = 0;
    // Appends `text` to the last line (a verdict for the step just done).
    virtual void Append(const char* text) = 0;
    // The button reads "OK"; hidden at once unless `keepOpen`.
    virtual void Finish(bool keepOpen) = 0;
    // Lets pending window events be delivered, then tells whether the user has closed the dialog.
    virtual bool Cancelled() = 0;
};

}  // namespace qx
