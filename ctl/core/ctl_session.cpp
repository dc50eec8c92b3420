#include "ctl/core/ctl_session.h"

#include "common/core/regular_file.h"
#include "link/core/port_paths.h"
#include "link/core/termios_device.h"

namespace qx::ctl {
namespace {

// A step of the waits: long enough not to spin, short enough that Ctrl+C answers at once.
constexpr auto kStopLook = std::chrono::milliseconds(50);
// A module without an instrument gives no sign that its cycle is complete when it gives no
// values either: after its configuration is known, this long without an instrument means none.
constexpr auto kNoInstrumentGrace = std::chrono::seconds(1);

}  // namespace

LinkChoice ChooseLink(const CtlOptions& options, const SavedSetup& saved) {
    LinkChoice c;
    c.name = options.port.value_or(ComName(saved.port));
    const int com = ComNumber(c.name);
    if (com >= 0) {
        c.paths = saved.comPaths;
        c.portIndex = com;
    } else {
        c.paths = {c.name, "", "", ""};
        c.portIndex = 0;
    }
    c.device = c.paths[static_cast<std::size_t>(c.portIndex)];
    c.baudCode = options.baudCode.value_or(saved.baudCode);
    c.checksum = options.checksum.value_or(saved.checksum);
    c.address = options.address.value_or(saved.address);
    return c;
}

CtlSession::CtlSession(const CtlEnvironment& env, LinkChoice choice)
    : env_(env), choice_(std::move(choice)) {
    port_ = std::make_unique<TCommPort>(choice_.paths, [this]() -> std::unique_ptr<SerialDevice> {
        std::unique_ptr<SerialDevice> inner =
            env_.device ? env_.device() : std::make_unique<TermiosDevice>();
        if (!trace_.IsOpen()) return inner;
        return std::make_unique<TracedDevice>(std::move(inner), trace_);
    });
    port_->SetReplyGapMs(env_.replyGapMs);
}

CtlSession::~CtlSession() {
    port_->Close();
}

bool CtlSession::OpenTrace(const std::string& path) {
    return trace_.Open(OpenRegularFile(path, FileAccess::Write));
}

int CtlSession::Open() {
    return port_->Open(choice_.portIndex, choice_.baudCode, choice_.checksum, this);
}

Exchange CtlSession::LinkExchange() {
    return [this](const char* request, char* reply) { return port_->Send(request, reply); };
}

void CtlSession::Post(int message, int wParam, int lParam) {
    LinkEvent event;
    event.message = message;
    event.address = wParam;
    event.tenths = lParam;
    event.at = std::chrono::system_clock::now();
    if (wParam >= 0) event.station = port_->Station(wParam);
    {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
    }
    posted_.notify_one();
}

bool CtlSession::Next(LinkEvent& event, Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (env_.Stopped()) return false;
        if (!events_.empty()) {
            event = events_.front();
            events_.pop_front();
            return true;
        }
        const auto now = Clock::now();
        if (now >= deadline) return false;
        posted_.wait_for(lock, std::min<Clock::duration>(deadline - now, kStopLook));
    }
}

CtlSession::Wait CtlSession::WaitIdentified(int address, Clock::time_point deadline,
                                            StationRecord* station) {
    Listen(address);
    bool valueSeen = false;
    std::optional<Clock::time_point> graceEnd;
    for (;;) {
        *station = port_->Station(address);
        if (station->state == 2) return Wait::kIdentified;
        if (station->state == 1 && (valueSeen || (graceEnd && Clock::now() >= *graceEnd)))
            return Wait::kIdentified;
        if (station->state == 0) {
            valueSeen = false;
            graceEnd.reset();
        }
        if (env_.Stopped()) return Wait::kStopped;
        if (Clock::now() >= deadline) return Wait::kTimeout;
        LinkEvent event;
        if (!Next(event, graceEnd ? std::min(deadline, *graceEnd) : deadline)) continue;
        if (event.address != address) continue;
        if (event.message == kValueRead && event.station.state == 1) valueSeen = true;
        if (event.message == kConfigKnown) graceEnd = Clock::now() + kNoInstrumentGrace;
    }
}

std::string LinkErrorText(int code) {
    switch (code) {
        case kTimeoutError:
            return "no reply from the module (time-out after three attempts)";
        case kChecksumError:
            return "the module's reply failed the checksum test";
        case kApiError:
            return "the port cannot be set up";
        case kPortNotAvailable:
            return "the port is not available";
        default:
            return "communication error " + std::to_string(code);
    }
}

int ExitCodeOf(int linkCode) {
    if (linkCode == kOk) return kExitDone;
    if (linkCode == kPortNotAvailable || linkCode == kApiError) return kExitNoPort;
    return kExitComm;
}

}  // namespace qx::ctl
