#pragma once
// The progress dialog as every long operation sees it: the schedule transfer, the module search,
// reading a file, filling the table and the download report through this adapter.
//
// A table fill of a million records reports thousands of steps. Appending each line to the log
// at once would lay out and repaint the dialog thousands of times, which costs far more than the
// fill itself. So the lines are collected and handed to the dialog together, when events are
// delivered and at least a frame time has passed since the last hand-over, and always before
// the dialog is reopened, finished or paused and when the adapter goes away. The screen can only
// change while events are delivered, so the user sees the same log; "Storno" is still noticed at
// every step.

#include <QString>
#include <chrono>
#include <functional>

#include "common/core/progress.h"

namespace qx {

class TMInfoForm;

class InfoProgress : public Progress {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::milliseconds kHandOverInterval{25};

    // `pause` replaces the fixed pauses (tests make them instant); by default they run an event
    // loop for the time given, so the window stays responsive while the last line is read.
    // `clock` replaces the steady clock that spaces the hand-overs (tests step it).
    explicit InfoProgress(TMInfoForm& form, std::function<void(int)> pause = {}, Clock clock = {});
    ~InfoProgress() override;
    InfoProgress(const InfoProgress&) = delete;
    InfoProgress& operator=(const InfoProgress&) = delete;

    void Open(std::string_view title, int maximum) override;
    void AddLine(std::string_view text, int position, int maximum) override;
    void Move(int position, int maximum) override;
    void Append(std::string_view text) override;
    void Finish(bool keepOpen) override;
    bool Visible() const override;
    void ProcessEvents() override;
    void Pause(int milliseconds) override;

  private:
    // Hands the collected lines, the last position and the last maximum to the dialog.
    void HandOver();
    std::chrono::steady_clock::time_point Now() const;

    TMInfoForm& form_;
    std::function<void(int)> pause_;
    Clock clock_;
    QString pending_;  // collected lines, joined by line feeds
    bool havePending_ = false;
    int position_ = -1;
    int maximum_ = -1;
    std::chrono::steady_clock::time_point lastHandOver_;
};

}  // namespace qx
