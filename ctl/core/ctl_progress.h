#pragma once
// The progress of a long command: a bar on standard error when that is a terminal, nothing
// otherwise; Ctrl+C as the cancel signal. The bar says in English what the command does
// ("reading records 50/1000"): the titles and log lines the shared cores give are the window's
// own Czech texts and stay there.

#include <chrono>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "common/core/progress.h"
#include "ctl/core/ctl_environment.h"

namespace qx::ctl {

class CtlProgress : public Progress {
  public:
    // `what` names the counted steps: "reading records", "checking the schedule".
    CtlProgress(const CtlEnvironment& env, std::string what) : env_(env), what_(std::move(what)) {}
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
    std::string what_;
    int maximum_ = 0;
    int position_ = 0;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace qx::ctl
