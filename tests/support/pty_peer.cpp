#include "tests/support/pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace qx::test {

namespace {

int BitRateOf(speed_t speed) {
    switch (speed) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        default:
            return 0;
    }
}

}  // namespace

PeerReply Immediate(std::string text) {
    return PeerReply{{ReplyChunk{0, std::move(text)}}, false};
}

PtyPeer::PtyPeer() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        throw std::runtime_error("no pseudo-terminal");
    path_ = ::ptsname(master_);
    slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) throw std::runtime_error("pseudo-terminal slave refused");
    termios tio{};
    ::tcgetattr(slave_, &tio);
    ::cfmakeraw(&tio);  // no echo of anything written before the link configures the line
    ::tcsetattr(slave_, TCSANOW, &tio);
    thread_ = std::thread([this] { Serve(); });
}

PtyPeer::~PtyPeer() {
    stop_ = true;
    thread_.join();
    if (master_ >= 0) CloseLine();
}

void PtyPeer::SetScript(PeerScript script) {
    std::lock_guard lock(mutex_);
    script_ = std::move(script);
    streaming_ = false;
}

std::vector<std::string> PtyPeer::Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

void PtyPeer::ClearFrames() {
    std::lock_guard lock(mutex_);
    frames_.clear();
}

bool PtyPeer::WaitFrames(std::size_t count, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return framesChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return frames_.size() >= count; });
}

int PtyPeer::LineBitRate() const {
    termios tio{};
    std::lock_guard lock(mutex_);
    if (slave_ < 0 || ::tcgetattr(slave_, &tio) != 0) return 0;
    return BitRateOf(::cfgetospeed(&tio));
}

// The serving thread owns the descriptors; it closes them between two polls.
void PtyPeer::HangUp() {
    std::unique_lock lock(mutex_);
    script_ = nullptr;
    hangUp_ = true;
    framesChanged_.wait(lock, [&] { return master_ < 0; });
}

void PtyPeer::CloseLine() {
    std::lock_guard lock(mutex_);
    streaming_ = false;
    // The master goes last: only then does the link's side see the hang-up.
    ::close(slave_);
    slave_ = -1;
    ::close(master_);
    master_ = -1;
}

void PtyPeer::WriteAll(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size() && !stop_) {
        int fd;
        {
            std::lock_guard lock(mutex_);
            fd = master_;
        }
        if (fd < 0) return;
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

// Under the lock, so that once SetScript has returned no further byte of a stream can follow.
void PtyPeer::StreamByte() {
    std::lock_guard lock(mutex_);
    if (streaming_ && master_ >= 0) (void)!::write(master_, "x", 1);
}

void PtyPeer::HandleFrame(const std::string& frame) {
    PeerScript script;
    {
        std::lock_guard lock(mutex_);
        frames_.push_back(frame);
        script = script_;
    }
    framesChanged_.notify_all();
    streaming_ = false;
    std::optional<PeerReply> reply = script ? script(frame) : std::nullopt;
    if (!reply) return;
    for (const ReplyChunk& chunk : reply->chunks) {
        if (chunk.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(chunk.delayMs));
        WriteAll(chunk.bytes);
    }
    streaming_ = reply->endlessStream;
}

// The peer's own timing is what tests shape, so it may sleep; the link under test never does.
void PtyPeer::Serve() {
    std::string pending;
    while (!stop_) {
        int fd;
        bool hangUp;
        {
            std::lock_guard lock(mutex_);
            fd = master_;
            hangUp = hangUp_;
        }
        if (hangUp && fd >= 0) {
            CloseLine();
            framesChanged_.notify_all();
            continue;
        }
        if (fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        pollfd p{fd, POLLIN, 0};
        int r = ::poll(&p, 1, streaming_ ? 1 : 5);
        if (r > 0 && (p.revents & POLLIN)) {
            char buf[64];
            ssize_t n = ::read(fd, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) {
                pending.push_back(buf[i]);
                if (buf[i] == '\r') {
                    HandleFrame(pending);
                    pending.clear();
                }
            }
        } else if (r > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));  // no reader on the line
        } else {
            StreamByte();
        }
    }
}

}  // namespace qx::test
