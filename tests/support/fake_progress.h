#pragma once
// A progress dialog for tests: keeps the log as the user would read it and every step as it was
// reported, can be "closed" at a chosen event delivery to act as the user's "Storno", and never
// waits.

#include <string>
#include <string_view>
#include <vector>

#include "common/core/progress.h"

namespace qx::test {

class FakeProgress : public Progress {
  public:
    struct Step {
        std::string text;
        int position;
        int maximum;
    };

    void Open(std::string_view title, int maximum) override {
        title_ = title;
        maximum_ = maximum;
        position_ = 0;
        lines_.clear();
        visible_ = true;
        ++opens_;
    }
    void AddLine(std::string_view text, int position, int maximum) override {
        lines_.emplace_back(text);
        steps_.push_back({std::string(text), position, maximum});
        Move(position, maximum);
    }
    void Move(int position, int maximum) override {
        if (position >= 0) position_ = position;
        if (maximum >= 0) maximum_ = maximum;
    }
    void Append(std::string_view text) override {
        if (lines_.empty()) lines_.emplace_back();
        lines_.back() += text;
    }
    void Finish(bool keepOpen) override {
        visible_ = keepOpen;
        keptOpen_ = keepOpen;
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
    int position_ = -1;
    int opens_ = 0;
    int finishes_ = 0;
    bool keptOpen_ = false;
    int deliveries_ = 0;
    std::vector<std::string> lines_;  // the log, verdicts appended
    std::vector<Step> steps_;         // every AddLine as reported
    std::vector<int> pauses_;
};

}  // namespace qx::test
