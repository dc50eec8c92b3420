#pragma once
// The shared progress dialog seen as the progress sink of the logger's bus operations.

#include "logger/core/progress_sink.h"

namespace qx {

class TMInfoForm;

class TInfoProgress : public ProgressSink {
  public:
    explicit TInfoProgress(TMInfoForm& info) : info_(info) {}
    void Open(const char* title, int maximum) override;
    void AddLine(const char* text, int position, int maximum) override;
    void Append(const char* text) override;
    void Finish(bool keepOpen) override;
    bool Cancelled() override;

  private:
    TMInfoForm& info_;
};

}  // namespace qx
