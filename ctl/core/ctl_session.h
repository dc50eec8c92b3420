#pragma once
// One run of meridoctl on the bus: the link object opened on the chosen port with the poller it
// starts, the protocol trace, and the poller's notifications handed to the command's thread.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "ctl/core/ctl_environment.h"
#include "ctl/core/ctl_options.h"
#include "link/core/bus.h"
#include "link/core/comm_port.h"
#include "link/core/notification_sink.h"
#include "link/core/station.h"
#include "link/core/traced_device.h"

namespace qx::ctl {

// The port, line settings and module address of a command: the options over the saved setup.
struct LinkChoice {
    PortPaths paths;
    int portIndex = 0;   // into paths
    std::string device;  // the device path in use
    std::string name;    // as the user named the port ("COM1", "/dev/ttyUSB0")
    int baudCode = 6;
    bool checksum = false;
    int address = 10;
};

LinkChoice ChooseLink(const CtlOptions& options, const SavedSetup& saved);

// One notification of the poller, with the station as it stood when it was posted.
struct LinkEvent {
    int message = 0;
    int address = 0;
    int tenths = 0;  // value notifications: time of day in tenths of a second
    StationRecord station;
    std::chrono::system_clock::time_point at;  // when it was posted
};

class CtlSession final : public NotificationSink {
  public:
    using Clock = std::chrono::steady_clock;

    CtlSession(const CtlEnvironment& env, LinkChoice choice);
    ~CtlSession() override;
    CtlSession(const CtlSession&) = delete;
    CtlSession& operator=(const CtlSession&) = delete;

    // Creates the trace file when one is asked for; false when it cannot be created.
    bool OpenTrace(const std::string& path);
    // Opens the link on the chosen port, which starts the poller with an empty poll list: it
    // stays off the bus until an address is listed. The link's result code.
    int Open();
    TCommPort& Port() { return *port_; }
    const LinkChoice& Choice() const { return choice_; }
    Exchange LinkExchange();

    // The poller visits `address` from now on.
    void Listen(int address) { port_->SetPollEntry(address, -1); }

    // Called on the poller's thread: the station is copied at once, so that a value notification
    // carries the very value it announces.
    void Post(int message, int wParam, int lParam) override;
    // The next notification; false once `deadline` passed or a stop was requested.
    bool Next(LinkEvent& event, Clock::time_point deadline);

    enum class Wait { kIdentified, kTimeout, kStopped };
    // Waits until the poller has identified the module at `address` with its instrument, or has
    // finished a cycle that found no instrument. `station` gets the record as it then stands.
    Wait WaitIdentified(int address, Clock::time_point deadline, StationRecord* station);

  private:
    const CtlEnvironment& env_;
    LinkChoice choice_;
    std::mutex mutex_;  // guards events_ (the poller posts, the command takes)
    std::condition_variable posted_;
    std::deque<LinkEvent> events_;
    WireTrace trace_;                  // outlives the devices that write to it
    std::unique_ptr<TCommPort> port_;  // closed first: its poller posts to this session
};

// The user's text for a link result code.
std::string LinkErrorText(int code);
// kExitNoPort for a port that is not available, kExitComm for the rest; kExitDone for 0.
int ExitCodeOf(int linkCode);

}  // namespace qx::ctl
