#pragma once
// The progress dialog as the data operations see it: reading a file, filling the table and the
// download report through this adapter.

#include <functional>

#include "data/core/data_progress.h"

namespace qx {

class TMInfoForm;

class InfoProgress : public DataProgress {
  public:
    // `pause` replaces the fixed pauses (tests make them instant); by default they run an event
    // loop for the time given, so the window stays responsive while the last line is read.
    explicit InfoProgress(TMInfoForm& form, std::function<void(int)> pause = {});

    void Open(std::string_view title, int maximum) override;
    void AddLine(std::string_view text, int position, int maximum) override;
    void Finish(bool keepOpen) override;
    bool Visible() const override;
    void ProcessEvents() override;
    void Pause(int milliseconds) override;

  private:
    TMInfoForm& form_;
    std::function<void(int)> pause_;
};

}  // namespace qx
