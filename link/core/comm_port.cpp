#include "link/core/comm_port.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "link/core/protocol.h"
#include "link/core/service.h"
#include "link/core/termios_device.h"

namespace qx {

namespace {

constexpr const char* kOperationNames[] = {"???",    "Open()",    "Close()",  "Receive()",
                                           "Send()", "SetPort()", "SetTout()"};
constexpr const char* kCodeTexts[] = {
    "Timeout error!", "Checksum error!", "Windows API error!", "COM port not available!",
    "Thread error!",  "Response error!", "COM port not open!"};
constexpr int kAttempts = kSendAttempts;
// Lines that do not answer the request which one attempt passes over before it counts as silent,
// so that a peer that keeps talking cannot hold an exchange for ever.
constexpr int kMaxPassedOver = 8;

// A reply's first character; no reply holds one further on.
bool IsReplyStart(int c) {
    return c == '!' || c == '?' || c == '>';
}

// Waits that hand the processor to the other thread between tests of a flag.
void YieldBriefly() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

TCommPort::TCommPort(PortPaths paths, DeviceFactory factory)
    : factory_(std::move(factory)), paths_(std::move(paths)) {
    if (!factory_) factory_ = [] { return std::make_unique<TermiosDevice>(); };
    ResetStations();
}

TCommPort::~TCommPort() {
    Close();
}

void TCommPort::SetPortPaths(const PortPaths& paths) {
    std::lock_guard lock(pathsMutex_);
    paths_ = paths;
}

PortPaths TCommPort::PortPathsCopy() const {
    std::lock_guard lock(pathsMutex_);
    return paths_;
}

int TCommPort::Open(int portIndex, int baudCode, bool checksum, NotificationSink* window) {
    operation_ = kOpOpen;
    if (open_) Close();
    // A device still held after an earlier Open failed half-way would lock this one out.
    ClosePoller();
    if (device_) device_.reset();
    window_ = window;
    checksum_ = checksum;
    pauseRequest_ = false;
    pauseAck_ = false;
    ResetStations();
    baudCode_ = NormalBaudCode(baudCode);

    std::string path = PortPathsCopy()[ComIndex(portIndex)];
    {
        std::lock_guard lock(pathsMutex_);
        devicePath_ = path;
    }
    lost_ = false;
    auto device = factory_();
    lastOpenError_ = SerialDevice::OpenError::None;
    if (!device || !device->Open(path)) {
        lastOpenError_ = device ? device->LastOpenError() : SerialDevice::OpenError::Other;
        return kPortNotAvailable;
    }
    device_ = std::move(device);
    openedLink_ = TerminalLink(path);
    if (SetPort(BitRate(baudCode_)) != kOk) return kApiError;
    // The driver's queues need no sizing and no event mask here: reads poll the device.
    if (SetTout(30) != kOk) return kApiError;
    // What a module still sends to an earlier holder of the port must not meet our first request.
    device_->Purge();
    open_ = true;
    pollerStopped_ = false;
    poller_ = std::thread([this] { TService(*this).Execute(); });
    return kOk;
}

std::string TCommPort::DevicePath() const {
    std::lock_guard lock(pathsMutex_);
    return devicePath_;
}

std::optional<TCommPort::LinkStamp> TCommPort::TerminalLink(const std::string& path) {
    // Pseudo-terminal slaves have the major numbers 136..143.
    struct stat device {};
    if (::stat(path.c_str(), &device) != 0 || !S_ISCHR(device.st_mode) ||
        major(device.st_rdev) < 136 || major(device.st_rdev) > 143)
        return std::nullopt;
    std::optional<LinkStamp> last;
    std::filesystem::path at = path;
    for (int hop = 0; hop < 40; ++hop) {  // as many as the system follows
        struct stat info {};
        if (::lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
        last = LinkStamp{static_cast<unsigned long long>(info.st_dev),
                         static_cast<unsigned long long>(info.st_ino), info.st_ctim.tv_sec,
                         info.st_ctim.tv_nsec};
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(at, error);
        if (error) break;
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    return last;
}

// Looking for the path costs one stat; the open follows only once the device is there again.
// A simulator that opens a new pseudo-terminal, or udev for an adapter plugged in again, makes
// its link anew; a link untouched since the loss still names the lost terminal's number, and
// whatever terminal has that number now is not the one that went.
bool TCommPort::ReopenLostPort() {
    if (!lost_ || !device_) return !lost_;
    const std::string path = DevicePath();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    const std::optional<LinkStamp> link = TerminalLink(path);
    if (openedLink_ && link == openedLink_) return false;
    if (!device_->Open(path) || !device_->Configure(BitRate(baudCode_))) {
        device_->Close();
        return false;
    }
    openedLink_ = link;
    device_->Purge();
    lost_ = false;
    return true;
}

int TCommPort::Close() {
    operation_ = kOpClose;
    open_ = false;
    windowIdle_ = true;
    pauseRequest_ = false;
    pauseAck_ = false;
    ClosePoller();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (device_) {
        device_->Close();
        device_.reset();
    }
    return kOk;
}

// The poller finishes the cycle in progress before it raises its flag; only then is the thread
// joined, so Close never blocks inside a bus exchange of a thread it does not wait for.
void TCommPort::ClosePoller() {
    while (!pollerStopped_)
        YieldBriefly();
    if (poller_.joinable()) poller_.join();
}

int TCommPort::SetPort(int bitRate) {
    operation_ = kOpSetPort;
    if (!device_ || !device_->Configure(bitRate)) return kApiError;
    return kOk;
}

int TCommPort::SetTout(int msPerByte) {
    operation_ = kOpSetTout;
    if (!device_ || msPerByte < 0) return kApiError;
    msPerByte_ = msPerByte;
    return kOk;
}

std::string TCommPort::StrError(int code, int operation) {
    if (code > -1 || code < -7) return "TCommPort::StrError( ??? )";
    const char* name = operation >= kOpNone && operation <= kOpSetTout ? kOperationNames[operation]
                                                                       : kOperationNames[kOpNone];
    char buf[300];
    std::snprintf(buf, sizeof buf, "COM port error:  %i\n    Text:  %s\n    Funkce:  TCommPort::%s",
                  code, kCodeTexts[-code - 1], name);
    return buf;
}

// Reads byte by byte until a CR or until the line stays silent for the reply gap. The receive
// buffer holds 31 characters and its terminating zero. A stream that fills it without a CR is no
// reply this module can give: the attempt counts as silent and the rest of the input is discarded.
//
// A line that does not answer the request (ReplyAnswers) is passed over and reading goes on: a
// module that answers late sends that reply first and ours right behind it, and asking again
// would only leave one more late reply in the line. A start character inside a line begins
// another reply: what came before it was a fragment whose end was lost. Every byte comes within
// one reply gap and at most kMaxPassedOver lines are passed over, so an attempt can never hang.
void TCommPort::Transfer() {
    received_ = 0;
    receive_[0] = '\0';
    if (!device_) return;
    device_->Write(transmit_, std::strlen(transmit_));
    const int gap = ReplyGapMs();
    int passedOver = 0;
    for (;;) {
        const int byte = device_->ReadByte(gap);
        if (byte < 0) break;
        if (received_ > 0 && IsReplyStart(byte)) received_ = 0;
        receive_[received_++] = static_cast<char>(byte);
        if (byte == kCr) {
            if (ReplyAnswers(request_, {receive_, received_}, checksum_)) break;
            received_ = 0;
            if (++passedOver > kMaxPassedOver) break;
        } else if (received_ == sizeof receive_ - 1) {
            device_->Purge();
            received_ = 0;
            break;
        }
    }
    // Silence ends a reply without its CR: it counts as far as it came, if that much answers.
    if (received_ > 0 && !ReplyAnswers(request_, {receive_, received_}, checksum_)) received_ = 0;
    receive_[received_] = '\0';
}

void TCommPort::DrainLateReplies(std::chrono::steady_clock::time_point until) {
    using namespace std::chrono;
    const int gap = ReplyGapMs();
    for (std::size_t drained = 0; drained < kAttempts * sizeof receive_;) {
        const auto now = steady_clock::now();
        const bool pastUntil = now >= until;
        const int wait =
            pastUntil ? gap : static_cast<int>(ceil<milliseconds>(until - now).count());
        if (device_->ReadByte(wait) >= 0) {
            ++drained;
        } else if (pastUntil) {
            break;  // a whole gap of silence after the last answer could have come
        }
    }
}

int TCommPort::Send(const char* request, char* reply, int attempts) {
    operation_ = kOpSend;
    const int tries = std::clamp(attempts, 1, kAttempts);
    if (!device_ || !device_->IsOpen() || lost_) return kPortNotAvailable;
    // The transmit buffer holds the whole frame, checksum digits and CR included.
    request_ = request ? request : "";
    std::string frame = Frame(request_, checksum_);
    if (frame.size() >= sizeof transmit_) return kApiError;  // never truncate a request
    std::memcpy(transmit_, frame.data(), frame.size());
    transmit_[frame.size()] = '\0';
    received_ = 0;
    // What a slow module still sends to an earlier exchange must not meet this one.
    device_->Purge();
    using Clock = std::chrono::steady_clock;
    int made = 0;
    const Clock::time_point firstWrite = Clock::now();
    while (made < tries && received_ == 0 && !device_->Lost()) {
        ++made;
        Transfer();
    }
    // A retry is the same request, so a slow module's answer to an earlier attempt answers it as
    // well and is taken. The later attempts' own answers may still be on their way, one after the
    // other, each at worst as slow as the answer taken was since the first attempt. They are let
    // in and thrown away here, or they would meet the next exchange, whose request they may well
    // fit (the download's record request with the same toggle would read one record twice).
    if (made > 1 && received_ > 0 && !device_->Lost()) {
        const auto answered = Clock::now();
        DrainLateReplies(answered + (made - 1) * (answered - firstWrite));
    }
    if (device_->Lost()) {
        // Let go of the gone device at once: a USB adapter plugged in again gets its old name
        // only when nobody holds the old one.
        device_->Close();
        lost_ = true;
        return kPortNotAvailable;
    }
    if (received_ == 0) return kTimeoutError;
    operation_ = kOpReceive;
    std::string_view text(receive_, received_);
    if (checksum_ && !ReplyChecksumOk(text)) return kChecksumError;
    std::memcpy(reply, receive_, received_ + 1);
    return kOk;
}

void TCommPort::RequestPause() {
    pauseRequest_ = true;
    while (!pauseAck_ && open_)
        YieldBriefly();
}

void TCommPort::ReleasePause() {
    pauseRequest_ = false;
    while (pauseAck_ && open_ && !pollerStopped_)
        YieldBriefly();
}

StationRecord TCommPort::Station(int addr) const {
    std::lock_guard lock(stationMutex_);
    return stations_[addr & 0xFF];
}

void TCommPort::SetStation(int addr, const StationRecord& record) {
    std::lock_guard lock(stationMutex_);
    stations_[addr & 0xFF] = record;
}

int TCommPort::PollEntry(int addr) const {
    std::lock_guard lock(stationMutex_);
    return pollList_[addr & 0xFF];
}

void TCommPort::SetPollEntry(int addr, int entry) {
    std::lock_guard lock(stationMutex_);
    pollList_[addr & 0xFF] = entry;
}

void TCommPort::ClearPollList() {
    std::lock_guard lock(stationMutex_);
    pollList_.fill(0);
}

void TCommPort::ResetStations() {
    std::lock_guard lock(stationMutex_);
    pollList_.fill(0);
    stations_.fill(StationRecord{});
}

void TCommPort::Notify(int message, int wParam, int lParam) {
    if (window_) window_->Post(message, wParam, lParam);
}

int TCommPort::TimeOfDayTenths() const {
    if (timeOfDay_) return timeOfDay_();
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return local.tm_hour * 36000 + local.tm_min * 600 + local.tm_sec * 10 +
           static_cast<int>(ms / 100);
}

}  // namespace qx
