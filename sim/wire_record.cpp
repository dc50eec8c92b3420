#include "sim/wire_record.h"

#include <utility>

#include "link/core/trace_line.h"

namespace qx::sim {

std::string TraceLine(double seconds, const WireFrame& frame) {
    return qx::TraceLine(seconds, frame.fromModule, frame.bytes);
}

void WireRecord::SetObserver(Observer observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

void WireRecord::AddExchange(std::string request, std::string reply,
                             std::chrono::steady_clock::time_point requestAt) {
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(mutex_);
        // The request comes first, although both are recorded once the reply has been written.
        frames_.push_back(
            {false, std::move(request), requestAt == decltype(requestAt){} ? now : requestAt});
        if (observer_) observer_(frames_.back());
        if (!reply.empty()) {
            frames_.push_back({true, std::move(reply), now});
            if (observer_) observer_(frames_.back());
        }
        ++requests_;
    }
    changed_.notify_all();
}

std::vector<WireFrame> WireRecord::Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

std::size_t WireRecord::RequestCount() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool WireRecord::WaitRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_ >= count; });
}

void WireRecord::Clear() {
    std::lock_guard lock(mutex_);
    frames_.clear();
    requests_ = 0;
}

}  // namespace qx::sim
