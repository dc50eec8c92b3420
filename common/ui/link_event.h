#pragma once
// A poller notification on its way to the main window: the message number is the event type
// (1424..1426 lie in Qt's user range), with the message's two parameters and the link session
// in which the poller posted it.

#include <QEvent>

namespace qx {

class LinkEvent : public QEvent {
  public:
    LinkEvent(int message, int wParam, int lParam, int session)
        : QEvent(static_cast<QEvent::Type>(message)),
          wParam_(wParam),
          lParam_(lParam),
          session_(session) {}

    int WParam() const { return wParam_; }
    int LParam() const { return lParam_; }
    int Session() const { return session_; }

  private:
    int wParam_;
    int lParam_;
    int session_;
};

}  // namespace qx
