#pragma once
// A thread-safe record of the frames that crossed the simulated line, for tests that assert the
// bytes on the wire.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace qx::sim {

struct WireFrame {
    bool fromModule = false;  // false: a request received; true: a reply sent
    std::string bytes;        // as on the wire, CR included (a reply as far as it was sent)
    // A request: when its CR had been read; a reply: when its last byte had been written.
    std::chrono::steady_clock::time_point at{};
};

// One line of a wire trace in the link's trace format (link/core/trace_line.h).
std::string TraceLine(double seconds, const WireFrame& frame);

class WireRecord {
  public:
    // Sees every frame as it is recorded, in wire order, on the recording thread and under the
    // record's lock: it must not call back into the record.
    using Observer = std::function<void(const WireFrame&)>;
    void SetObserver(Observer observer);

    // Adds one handled request, read at `requestAt`, and the reply sent to it (empty: none) just
    // now, then wakes the waiters.
    void AddExchange(std::string request, std::string reply,
                     std::chrono::steady_clock::time_point requestAt = {});
    std::vector<WireFrame> Frames() const;
    // Request lines handled so far (each counted once its reply, if any, has been written).
    std::size_t RequestCount() const;
    // Waits until at least `count` requests have been handled; false on time-out.
    bool WaitRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    void Clear();

  private:
    mutable std::mutex mutex_;  // guards frames_, requests_ and observer_
    mutable std::condition_variable changed_;
    std::vector<WireFrame> frames_;
    std::size_t requests_ = 0;
    Observer observer_;
};

}  // namespace qx::sim
