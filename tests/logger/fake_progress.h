#pragma once
// A progress dialog that keeps its log as lines, for asserting what the user would read.

#include <functional>
#include <string>
#include <vector>

#include "logger/core/progress_sink.h"

namespace qx::test {

class FakeProgress : public ProgressSink {
  public:
    void Open(const char* title, int maximum) override {
        title_ = title;
        maximum_ = maximum;
        lines_.clear();
        position_ = 0;
        ++opened_;
    }
    void AddLine(const char* text, int position, int maximum) override {
        if (text != nullptr) lines_.emplace_back(text);
        if (position >= 0) position_ = position;
        if (maximum >= 0) maximum_ = maximum;
    }
    void Append(const char* text) override {
        if (lines_.empty()) lines_.emplace_back();
        lines_.back() += text;
    }
    void Finish(bool keepOpen) override {
        finished_ = true;
        keptOpen_ = keepOpen;
    }
    bool Cancelled() override {
        ++polls_;
        return cancelAfter_ >= 0 && polls_ > cancelAfter_;
    }

    std::string title_;
    int maximum_ = -1;
    int position_ = -1;
    int opened_ = 0;
    int polls_ = 0;
    int cancelAfter_ = -1;  // Cancelled() answers true from this many polls on; -1 never
    bool finished_ = false;
    bool keptOpen_ = false;
    std::vector<std::string> lines_;
};

}  // namespace qx::test
