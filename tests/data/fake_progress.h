#pragma once
// A progress dialog for tests: records what the operation reports, can be "closed" at a chosen
// event delivery to act as the user's "Storno", and never waits.

#include <string>
#include <string_view>
#include <vector>

#include "data/core/data_progress.h"

namespace qx::test {

class FakeProgress : public DataProgress {
  public:
    struct Line {
        std::string text;
        int position;
        int maximum;
    };

    void Open(std::string_view title, int maximum) override {
        title_ = title;
        maximum_ = maximum;
        visible_ = true;
        ++opens_;
    }
    void AddLine(std::string_view text, int position, int maximum) override {
        lines_.push_back({std::string(text), position, maximum});
    }
    void Finish(bool keepOpen) override {
        visible_ = keepOpen;
        finishedKeepOpen_ = keepOpen;
        ++finishes_;
    }
    bool Visible() const override { return visible_; }
    void ProcessEvents() override {
        if (++deliveries_ == cancelAtDelivery_) visible_ = false;
    }
    void Pause(int milliseconds) override { pauses_.push_back(milliseconds); }

    int cancelAtDelivery_ = 0;  // 1: the first delivery of events brings the "Storno" click
    bool visible_ = false;
    std::string title_;
    int maximum_ = -1;
    int opens_ = 0;
    int finishes_ = 0;
    bool finishedKeepOpen_ = false;
    int deliveries_ = 0;
    std::vector<Line> lines_;
    std::vector<int> pauses_;
};

}  // namespace qx::test
