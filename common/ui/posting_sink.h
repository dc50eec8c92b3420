#pragma once
// Carries the poller's notifications to a QObject as posted events. Posting never blocks.
//
// Each Open of the link starts a new session. Notifications that an earlier poller posted may
// still wait in the queue when the link has been reopened; the receiver can tell them by their
// session and must not let them change the new session's poll list.

#include <QObject>
#include <atomic>

#include "link/core/notification_sink.h"

namespace qx {

class PostingSink : public NotificationSink {
  public:
    explicit PostingSink(QObject* receiver) : receiver_(receiver) {}

    // Poller thread.
    void Post(int message, int wParam, int lParam) override;

    // User-interface thread, only while no poller runs (between Close and Open).
    void NextSession() { session_.fetch_add(1); }
    int Session() const { return session_.load(); }

  private:
    QObject* receiver_;  // outlives every poller: its owner closes the link before it dies
    std::atomic<int> session_{0};
};

}  // namespace qx
