#pragma once
// The logger's part of the main window: the Schedule page in its sheet with the three buttons
// that talk to the module, and the schedule file at start and exit. Lives as long as the window
// (a child of the sheet).

#include <QObject>

class QPushButton;
class QWidget;

namespace qx {

class Session;
class TShedPage;
struct ShedBusContext;

class TLoggerPages : public QObject {
    Q_OBJECT
  public:
    // Builds the Schedule page into `sheet`, loads the schedule file of the working directory and
    // shows entry 0.
    TLoggerPages(Session& session, QWidget* sheet);

    TShedPage* Page() const { return page_; }

    void MShedSendClick();
    void MShedCheckClick();
    void MShedClearClick();

    // Takes the shown entry from the controls and writes the schedule file.
    void FormClosing();

    // Enabled while a module answers on the bus.
    QPushButton* MShedSend = nullptr;
    QPushButton* MShedCheck = nullptr;
    QPushButton* MShedClear = nullptr;

  private:
    ShedBusContext BusContext() const;

    Session& session_;
    TShedPage* page_ = nullptr;
};

}  // namespace qx
