#pragma once
// Progress for the benchmarks: no dialog, no log, and the fixed pauses that keep a real log
// readable are skipped, so they stay out of the figures. It is visible from Open to Finish as a
// dialog would be, so a cancel check never stops the work.

#include <chrono>
#include <string_view>

#include "common/core/progress.h"

namespace qx::bench {

class QuietProgress : public Progress {
  public:
    void Open(std::string_view, int) override { visible_ = true; }
    void AddLine(std::string_view, int, int) override {}
    void Move(int, int) override {}
    void Append(std::string_view) override {}
    void Finish(bool keepOpen) override { visible_ = keepOpen; }
    bool Visible() const override { return visible_; }
    void ProcessEvents() override {}
    void Pause(int) override {}

  private:
    bool visible_ = false;
};

inline double Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace qx::bench
