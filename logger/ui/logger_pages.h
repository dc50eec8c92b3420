#pragma once
// The logger's part of the main window: the Schedule page in its sheet with the window's three
// module buttons, the schedule file at start and exit, and the Setup page's module search and
// reconfiguration buttons. Lives as long as the window (a child of it).

#include <QObject>

#include "common/ui/form_page.h"

namespace qx {

class TMCfgForm;
class TMForm;
class TShedPage;
struct ShedBusContext;

class TLoggerPages : public QObject, public FormPage {
    Q_OBJECT
  public:
    // Builds the Schedule page, loads the schedule file of the working directory and shows
    // entry 0. `cfg` is the reconfiguration dialog; it must outlive the window's use of it.
    TLoggerPages(TMForm& form, TMCfgForm& cfg);

    TShedPage* Page() const { return page_; }

    void MShedSendClick();
    void MShedCheckClick();
    void MShedClearClick();
    void MSetFindClick();
    void MSetConfigClick();

    // Takes the shown entry from the controls and writes the schedule file.
    void FormClosing() override;

  private:
    ShedBusContext BusContext() const;

    TMForm& form_;
    TMCfgForm& cfg_;
    TShedPage* page_ = nullptr;
};

}  // namespace qx
