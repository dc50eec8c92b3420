#pragma once
// The link object: the serial port, the handshake flags shared with the poller thread, the poll
// list and the station table. Exactly one exists for the whole run.

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "link/core/baud_rate.h"
#include "link/core/bus.h"
#include "link/core/link_result.h"
#include "link/core/notification_sink.h"
#include "link/core/port_paths.h"
#include "link/core/serial_device.h"
#include "link/core/station.h"

namespace qx {

// Current operation numbers, named by StrError.
enum Operation { kOpNone = 0, kOpOpen, kOpClose, kOpReceive, kOpSend, kOpSetPort, kOpSetTout };

constexpr int kStations = 256;
constexpr int kReplyGapMs = 70;     // silence that ends a reply
constexpr int kSendAttempts = 3;    // attempts of one exchange
constexpr int kCyclePauseMs = 100;  // the poller's rest after a complete visit

using DeviceFactory = std::function<std::unique_ptr<SerialDevice>()>;

class TCommPort final : public PollerPause {
  public:
    explicit TCommPort(PortPaths paths, DeviceFactory factory = {});
    ~TCommPort();
    TCommPort(const TCommPort&) = delete;
    TCommPort& operator=(const TCommPort&) = delete;

    void SetPortPaths(const PortPaths& paths);
    PortPaths PortPathsCopy() const;

    // portIndex: only the two low bits count (COM1..COM4); baudCode is taken modulo 10.
    int Open(int portIndex, int baudCode, bool checksum, NotificationSink* window);
    int Close();
    int SetPort(int bitRate);
    int SetTout(int msPerByte);
    // The text for a result code, naming the current operation.
    static std::string StrError(int code, int operation);
    std::string StrError(int code) const { return StrError(code, CurrentOperation()); }
    // After an exchange answered on a retry: reads and discards what comes until `until`, then
    // until the line stays silent for one reply gap.
    void DrainLateReplies(std::chrono::steady_clock::time_point until);
    // Writes the transmit buffer with one CR and reads the reply to it into the receive buffer;
    // lines that do not answer the request are passed over.
    void Transfer();
    // One exchange: frames `request`, up to three attempts, checks the reply. `reply` must hold
    // kBufferSize characters and receives the raw reply (checksum digits and CR included).
    int Send(const char* request, char* reply) { return Send(request, reply, kSendAttempts); }
    // The same with `attempts` tries (1..3): a probe that asks each address only once.
    int Send(const char* request, char* reply, int attempts);

    int CurrentOperation() const { return operation_.load(); }
    bool IsOpen() const { return open_.load(); }
    bool ChecksumOn() const { return checksum_; }
    int BaudCode() const { return baudCode_; }
    SerialDevice::OpenError LastOpenError() const { return lastOpenError_; }
    // The device path of the open port.
    std::string DevicePath() const;

    // The open port's device went away (an unplugged adapter): exchanges fail at once with
    // kPortNotAvailable until the poller has opened it again with the same settings.
    bool PortLost() const { return lost_.load(); }
    // Poller side (or the holder of a pause): once the device path exists again, opens and
    // configures it anew; true when the port is back. A pseudo-terminal reached through a link
    // is taken back only through a link made since: a link left as it was names the lost
    // terminal's number, which the system hands to the next terminal opened, most likely
    // another program's.
    bool ReopenLostPort();

    // Window-idle flag: the main window clears it while it handles a notification.
    void SetWindowIdle(bool idle) { windowIdle_.store(idle); }
    bool WindowIdle() const { return windowIdle_.load(); }
    bool PollerStopped() const { return pollerStopped_.load(); }
    // The poller's last act: Close waits for it before it joins the thread.
    void MarkPollerStopped() { pollerStopped_.store(true); }

    // Pause handshake, user-interface side: request, wait for the acknowledgement (or a closed
    // link), exchange, release. Use PauseLease so that every path releases the poller.
    void RequestPause() override;
    // Also waits until the poller has left its pause point, so that a request made right after
    // cannot take a stale acknowledgement for a fresh one.
    void ReleasePause() override;
    // Poller side.
    bool PauseRequested() const { return pauseRequest_.load(); }
    void SetPauseAcknowledged(bool ack) { pauseAck_.store(ack); }
    bool PauseAcknowledged() const { return pauseAck_.load(); }

    // Station table and poll list, each access under stationMutex_.
    StationRecord Station(int addr) const;
    void SetStation(int addr, const StationRecord& record);
    template <typename F>
    void UpdateStation(int addr, F&& change) {
        std::lock_guard lock(stationMutex_);
        change(stations_[addr & 0xFF]);
    }
    int PollEntry(int addr) const;
    void SetPollEntry(int addr, int entry);
    void ClearPollList();

    NotificationSink* Window() const { return window_; }
    void Notify(int message, int wParam, int lParam);

    // Test seams: the silence that ends a reply, and the clock for the value notification.
    void SetReplyGapMs(int ms) { replyGapMs_.store(ms); }
    int ReplyGapMs() const { return replyGapMs_.load(); }
    void SetTimeOfDayTenths(std::function<int()> clock) { timeOfDay_ = std::move(clock); }
    int TimeOfDayTenths() const;
    // The poller's rest after each complete visit. The window leaves the bus some air; a command
    // that only watches values polls back to back with 0.
    void SetCyclePauseMs(int ms) { cyclePauseMs_.store(ms); }
    int CyclePauseMs() const { return cyclePauseMs_.load(); }
    // 0 (the window): a listed address where no module answers is asked on every round, with
    // every attempt. Otherwise it is asked once (one attempt, one time-out) and not again for
    // `ms`, so that the modules that answer are not held up by one that is switched off.
    void SetAbsentRetryMs(int ms) { absentRetryMs_.store(ms); }
    int AbsentRetryMs() const { return absentRetryMs_.load(); }

  private:
    void ResetStations();
    void ClosePoller();

    std::atomic<int> operation_{kOpNone};
    DeviceFactory factory_;
    std::unique_ptr<SerialDevice> device_;  // the bus: owned by the poller unless it is parked
    NotificationSink* window_ = nullptr;
    std::atomic<bool> windowIdle_{true};
    std::atomic<bool> pollerStopped_{true};
    std::atomic<bool> open_{false};
    std::atomic<bool> pauseRequest_{false};
    std::atomic<bool> pauseAck_{false};
    std::atomic<bool> lost_{false};
    bool checksum_ = false;
    int baudCode_ = 0;
    int msPerByte_ = 30;  // ms, read time-out per requested byte (one byte per read here)
    SerialDevice::OpenError lastOpenError_ = SerialDevice::OpenError::None;
    std::atomic<int> replyGapMs_{kReplyGapMs};
    std::atomic<int> cyclePauseMs_{kCyclePauseMs};
    std::atomic<int> absentRetryMs_{0};
    std::function<int()> timeOfDay_;

    mutable std::mutex pathsMutex_;  // guards paths_ and devicePath_ (read by the window)
    PortPaths paths_;
    std::string devicePath_;  // the path the open port came from

    // The last link on the way from the port's path to its pseudo-terminal, as it was when the
    // terminal was opened: its file system, inode and change time. Nothing when the path is the
    // device itself or the device is no pseudo-terminal (an adapter plugged in again is the same
    // port again, whatever link leads to it). Set by Open before the poller starts, then only by
    // the poller.
    struct LinkStamp {
        unsigned long long dev = 0, ino = 0;
        long long sec = 0, nsec = 0;
        bool operator==(const LinkStamp&) const = default;
    };
    static std::optional<LinkStamp> TerminalLink(const std::string& path);
    std::optional<LinkStamp> openedLink_;

    mutable std::mutex stationMutex_;  // guards stations_ and pollList_
    std::array<StationRecord, kStations> stations_{};
    std::array<int, kStations> pollList_{};

    std::string request_;  // the request text of the exchange in hand, for ReplyAnswers
    char transmit_[32] = {};
    char receive_[32] = {};
    std::size_t received_ = 0;  // characters in receive_ before its terminating zero

    std::thread poller_;
};

}  // namespace qx
