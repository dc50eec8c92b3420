#pragma once

namespace qx {

// Notifications from the poller to the main window. Posting never waits for the receiver.
constexpr int kStationChanged = 1424;  // wParam address (-1 when the poll loop ends)
constexpr int kValueRead = 1425;       // wParam address, lParam time of day in tenths of a second
constexpr int kConfigKnown = 1426;     // wParam address
// wParam address: an exchange of the visit failed (the window has no use for it; a command that
// must say at once that nothing answers has).
constexpr int kVisitFailed = 1427;

class NotificationSink {
  public:
    virtual ~NotificationSink() = default;
    // Called on the poller thread; must not block.
    virtual void Post(int message, int wParam, int lParam) = 0;
};

}  // namespace qx
