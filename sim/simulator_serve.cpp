// The serving thread of the simulator: reads request lines from the pty master, lets the modules
// answer them and writes the replies, with the faults and the pacing that are set.

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <utility>

#include "sim/baud.h"
#include "sim/simulator.h"

namespace qx::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxLine = 64;  // longer requests are noise: dropped up to the next CR
constexpr int kWriteTimeoutMs = 500;  // a reader that takes nothing for this long has gone
constexpr int kNoClientPollMs = 20;   // re-check interval while no program holds the slave
constexpr int kStreamBurstMax = 64;   // characters written per wake-up while streaming

Clock::duration CharTime(int baudCode) {
    const int rate = std::max(BaudRateOfCode(baudCode), 1200);
    return std::chrono::microseconds(10'000'000 / rate);
}

}  // namespace

void Simulator::Run() {
    std::string line;
    bool overlong = false;
    bool noClient = false;
    auto nextStream = Clock::now();
    while (!stop_) {
        PerformHangUp();
        bool streaming;
        {
            std::lock_guard lock(mutex_);
            streaming = faults_.streaming;
        }
        pollfd fds[2] = {{wakeRead_, POLLIN, 0}, {pty_.Fd(), POLLIN, 0}};
        // Without a program on the slave the master reports a hang-up on every poll; look again
        // a little later instead of spinning on it.
        const nfds_t count = (pty_.IsOpen() && !noClient) ? 2 : 1;
        int timeout = -1;
        if (noClient && pty_.IsOpen()) timeout = kNoClientPollMs;
        if (streaming && pty_.IsOpen()) timeout = 1;
        if (::poll(fds, count, timeout) < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(wakeRead_, drain, sizeof drain) > 0) {
            }
        }
        noClient = false;
        if (count == 2 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
            ReadAvailable(line, overlong, noClient);
        if (streaming && pty_.IsOpen())
            Stream(nextStream);
        else
            nextStream = Clock::now();
    }
}

void Simulator::ReadAvailable(std::string& line, bool& overlong, bool& noClient) {
    char buf[256];
    for (;;) {
        ssize_t n = ::read(pty_.Fd(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // EIO: the slave is not open (or was closed); EAGAIN: nothing more for now.
            if (n == 0 || errno == EIO) noClient = true;
            return;
        }
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buf[i];
            if (c == kCr) {
                // Overlong noise is recorded as far as it was kept, but nobody answers it.
                if (overlong)
                    record_.AddExchange(line + kCr, {});
                else
                    HandleLine(line);
                line.clear();
                overlong = false;
            } else if (line.size() < kMaxLine) {
                line += c;
            } else {
                overlong = true;
            }
        }
    }
}

void Simulator::HandleLine(const std::string& line) {
    const auto receivedAt = Clock::now();
    const int lineBaud = pty_.LineBaudCode();
    std::string frame;
    int baudCode = lineBaud;
    int stallMs = 0;
    int lateMs = 0;
    bool pace;
    int turnaroundMs;
    {
        std::lock_guard lock(mutex_);
        const double now = NowLocked();
        for (auto& m : modules_) {
            if (auto reply = m.Respond(line, lineBaud, now)) {
                frame = Frame(*reply, m.Settings().checksum);
                if (faults_.corrupt && m.Settings().checksum) {
                    // Damage the sum, not the text, so only the checksum test can notice.
                    char& digit = frame[frame.size() - 2];
                    digit = digit == '0' ? '1' : '0';
                    faults_.corrupt = false;
                }
                break;
            }
        }
        if (!frame.empty() && faults_.silent) frame.clear();
        if (!frame.empty() && faults_.drop > 0) {
            --faults_.drop;
            frame.clear();
        }
        if (!frame.empty()) std::swap(stallMs, faults_.stallMs);
        if (!frame.empty()) lateMs = TakeLateness(line);
        pace = pace_;
        turnaroundMs = turnaroundMs_;
    }
    if (!frame.empty()) {
        const int delayMs = (pace ? turnaroundMs : 0) + lateMs;
        if (delayMs > 0) SleepUntil(Clock::now() + std::chrono::milliseconds(delayMs));
        SendReply(frame, pace ? baudCode : 0, stallMs);
    }
    record_.AddExchange(line + kCr, frame, receivedAt);
}

// Called with mutex_ held. The kind is matched against the request as received, so that the
// checksum digits of a checksummed request do not keep it from matching.
int Simulator::TakeLateness(const std::string& line) {
    if (faults_.lateMs <= 0 || line.size() < 3) return 0;
    const std::string& kind = faults_.lateKind;
    if (!kind.empty() &&
        (line[0] != kind[0] || std::string_view(line).substr(3).rfind(kind.substr(1), 0) != 0))
        return 0;
    return std::exchange(faults_.lateMs, 0);
}

void Simulator::SendReply(std::string frame, int baudCode, int stallMs) {
    // A stall splits the reply in the middle: the first half, a pause longer than the link's
    // end-of-reply gap, then the rest.
    const std::size_t stallAt = stallMs > 0 ? frame.size() / 2 : frame.size();
    if (baudCode <= 0) {
        pty_.WriteAll(frame.data(), stallAt, kWriteTimeoutMs);
        if (stallAt < frame.size()) {
            if (!SleepUntil(Clock::now() + std::chrono::milliseconds(stallMs))) return;
            pty_.WriteAll(frame.data() + stallAt, frame.size() - stallAt, kWriteTimeoutMs);
        }
        return;
    }
    // A character is complete on the line only after its ten bit times; deadlines are absolute
    // so that scheduling delays do not add up over the reply.
    const auto charTime = CharTime(baudCode);
    auto due = Clock::now();
    for (std::size_t i = 0; i < frame.size(); ++i) {
        if (i == stallAt) due += std::chrono::milliseconds(stallMs);
        due += charTime;
        if (!SleepUntil(due)) return;
        if (!pty_.WriteAll(&frame[i], 1, kWriteTimeoutMs)) return;
    }
}

void Simulator::Stream(Clock::time_point& next) {
    // Characters without any CR at the line's character rate: a module gone mad, whose reply
    // never ends and never pauses.
    const int baudCode = std::max(pty_.LineBaudCode(), kMinBaudCode);
    const auto charTime = CharTime(baudCode);
    const auto now = Clock::now();
    // The switch is read again, and held, while writing: once SetStreaming(false) returns, no
    // noise follows, not even from a pass that began while streaming was on.
    std::lock_guard lock(mutex_);
    if (!faults_.streaming) return;
    int burst = 0;
    static constexpr char kNoise[] = "0123456789ABCDEF";
    while (next <= now && burst < kStreamBurstMax) {
        char c = kNoise[burst % 16];
        pty_.WriteAll(&c, 1, 0);
        next += charTime;
        ++burst;
    }
    if (next < now) next = now;  // do not build up a debt while the reader is slow
}

}  // namespace qx::sim
