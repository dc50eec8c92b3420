#include "tests/support/recording_sink.h"

#include <algorithm>
#include <chrono>

namespace qx::test {

void RecordingSink::Post(int message, int wParam, int lParam) {
    {
        std::lock_guard lock(mutex_);
        notes_.push_back({message, wParam, lParam});
    }
    changed_.notify_all();
}

std::vector<Note> RecordingSink::Notes() const {
    std::lock_guard lock(mutex_);
    return notes_;
}

bool RecordingSink::WaitFor(const std::function<bool(const std::vector<Note>&)>& done,
                            int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return done(notes_); });
}

bool RecordingSink::WaitForNote(const Note& note, int count, int timeoutMs) const {
    return WaitFor(
        [&](const std::vector<Note>& notes) {
            return std::count(notes.begin(), notes.end(), note) >= count;
        },
        timeoutMs);
}

void RecordingSink::Clear() {
    std::lock_guard lock(mutex_);
    notes_.clear();
}

}  // namespace qx::test
