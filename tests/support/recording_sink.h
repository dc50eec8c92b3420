#pragma once
// A notification sink that keeps every notification in order and lets a test await them.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "link/core/notification_sink.h"

namespace qx::test {

struct Note {
    int message;
    int wParam;
    int lParam;
    bool operator==(const Note&) const = default;
};

class RecordingSink : public NotificationSink {
  public:
    void Post(int message, int wParam, int lParam) override;
    std::vector<Note> Notes() const;
    // Waits until `done` holds for the notes so far; false after `timeoutMs` (a fail-safe only).
    bool WaitFor(const std::function<bool(const std::vector<Note>&)>& done,
                 int timeoutMs = 10000) const;
    // Waits for `count` notes equal to `note`.
    bool WaitForNote(const Note& note, int count = 1, int timeoutMs = 10000) const;
    void Clear();

  private:
    mutable std::mutex mutex_;  // guards notes_, written by the poller thread
    mutable std::condition_variable changed_;
    std::vector<Note> notes_;
};

}  // namespace qx::test
