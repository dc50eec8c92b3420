#pragma once
// Ending the program by a signal the way a person ends it: SIGTERM (logout, shutdown, kill),
// SIGHUP (the terminal went away) and SIGINT (Ctrl+C) close the windows, so the main window's
// close path runs — settings saved, schedule file written, recording closed, link closed. The
// handler only writes the signal's number into a pipe; the window closes from the event loop.
// SIGPIPE is ignored: a write to a vanished reader is a failed write, reported as such.

#include <QObject>

class QSocketNotifier;

namespace qx {

class SignalClose : public QObject {
    Q_OBJECT
  public:
    explicit SignalClose(QObject* parent = nullptr);
    ~SignalClose() override;
    SignalClose(const SignalClose&) = delete;
    SignalClose& operator=(const SignalClose&) = delete;

  private:
    void Arrived();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace qx
