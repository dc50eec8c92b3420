#pragma once
// The progress of a long command: a bar on standard error when that is a terminal, nothing
// otherwise; the log lines kept for the command to read; Ctrl+C as the cancel signal.

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "common/core/progress.h"
#include "ctl/core/ctl_environment.h"

namespace qx::ctl {

class CtlProgress : public Progress {
  public:
    explicit CtlProgress(const CtlEnvironment& env) : env_(env) {}
    ~CtlProgress() override { ClearBar(); }

    void Open(std::string_view title, int maximum) override;
    void AddLine(std::string_view text, int position, int maximum = -1) override;
    void Move(int position, int maximum = -1) override;
    void Append(std::string_view text) override;
    void Finish(bool keepOpen) override;
    // "Visible" until a signal asks to stop: the dialog's "Storno" is Ctrl+C here.
    bool Visible() const override { return !env_.Stopped(); }
    void ProcessEvents() override {}
    void Pause(int) override {}

  private:
    void Draw(bool force);
    void ClearBar();

    const CtlEnvironment& env_;
    std::string title_;
    std::string label_;
    int maximum_ = 0;
    int position_ = 0;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace qx::ctl
