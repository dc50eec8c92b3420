#include "sim/simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "sim/baud.h"

namespace qx::sim {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

Simulator::Simulator() : realBase_(Clock::now()) {}

Simulator::~Simulator() {
    Stop();
}

void Simulator::AddModule(const ModuleSettings& settings) {
    std::lock_guard lock(mutex_);
    modules_.emplace_back(settings);
    // A module comes with its clock set to the host's local time, as after a schedule send.
    modules_.back().Log().SetClock(ClockSeconds(SystemLocalTime()), NowLocked());
}

void Simulator::SetAcceleration(double factor) {
    std::lock_guard lock(mutex_);
    simBase_ = NowLocked();
    realBase_ = Clock::now();
    accel_ = factor > 0 ? factor : 1.0;
}

double Simulator::Now() const {
    std::lock_guard lock(mutex_);
    return NowLocked();
}

double Simulator::NowLocked() const {
    return simBase_ + accel_ * std::chrono::duration<double>(Clock::now() - realBase_).count();
}

bool Simulator::PrefillQueue(int address, int count, int config, int intervalSeconds) {
    return UpdateModule(address, [&](Module& m) {
        m.PrefillQueue(count, config < 0 ? m.Settings().config : config, intervalSeconds,
                       NowLocked());
    });
}

bool Simulator::PushRecord(int address, const std::string& payload) {
    return UpdateModule(address, [&](Module& m) {
        m.AdvanceLog(NowLocked());
        m.Log().PushRecord(payload);
    });
}

bool Simulator::SetClock(int address, const CivilTime& t) {
    return UpdateModule(address,
                        [&](Module& m) { m.Log().SetClock(ClockSeconds(t), NowLocked()); });
}

void Simulator::SetPacing(bool on, int turnaroundMs) {
    std::lock_guard lock(mutex_);
    pace_ = on;
    turnaroundMs_ = std::max(0, turnaroundMs);
}

void Simulator::SetLinkPath(const std::string& path) {
    std::lock_guard lock(mutex_);
    linkPath_ = path;
}

bool Simulator::Start(std::string* error) {
    if (Running()) return true;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error) *error = "pipe failed";
        return false;
    }
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    if (!OpenPty(error)) {
        ::close(wakeRead_);
        ::close(wakeWrite_);
        wakeRead_ = wakeWrite_ = -1;
        return false;
    }
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void Simulator::Stop() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(sleepMutex_);
            stop_ = true;
        }
        stopCv_.notify_all();
        Wake();
        thread_.join();
    }
    pty_.Close();
    std::string link;
    {
        std::lock_guard lock(mutex_);
        slavePath_.clear();
        link = linkPath_;
    }
    if (!link.empty()) ::unlink(link.c_str());
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
    wakeRead_ = wakeWrite_ = -1;
}

std::string Simulator::SlavePath() const {
    std::lock_guard lock(mutex_);
    return slavePath_;
}

std::size_t Simulator::ModuleCount() const {
    std::lock_guard lock(mutex_);
    return modules_.size();
}

std::optional<Module> Simulator::ModuleAt(std::size_t index) const {
    std::lock_guard lock(mutex_);
    if (index >= modules_.size()) return std::nullopt;
    return modules_[index];
}

std::optional<Module> Simulator::FindModule(int address) const {
    std::lock_guard lock(mutex_);
    for (const auto& m : modules_)
        if (m.Settings().address == address) return m;
    return std::nullopt;
}

bool Simulator::UpdateModule(int address, const std::function<void(Module&)>& change) {
    std::lock_guard lock(mutex_);
    bool found = false;
    for (auto& m : modules_) {
        if (address >= 0 && m.Settings().address != address) continue;
        change(m);
        found = true;
        if (address >= 0) break;
    }
    return found;
}

void Simulator::SetSilent(bool silent) {
    std::lock_guard lock(mutex_);
    faults_.silent = silent;
}

void Simulator::DropReplies(int count) {
    std::lock_guard lock(mutex_);
    faults_.drop = std::max(0, count);
}

void Simulator::CorruptNextChecksum() {
    std::lock_guard lock(mutex_);
    faults_.corrupt = true;
}

void Simulator::StallNextReply(int ms) {
    std::lock_guard lock(mutex_);
    faults_.stallMs = std::max(0, ms);
}

void Simulator::DelayNextReply(int ms, std::string kind) {
    std::lock_guard lock(mutex_);
    faults_.lateMs = std::max(0, ms);
    faults_.lateKind = std::move(kind);
}

void Simulator::SetStreaming(bool streaming) {
    {
        std::lock_guard lock(mutex_);
        faults_.streaming = streaming;
    }
    Wake();
}

bool Simulator::SetInstrumentAttached(int address, bool attached) {
    return UpdateModule(address, [&](Module& m) { m.SetInstrumentAttached(attached); });
}

bool Simulator::SetModuleSilent(int address, bool silent) {
    return UpdateModule(address, [&](Module& m) { m.SetSilent(silent); });
}

bool Simulator::SetNoValue(int address, bool noValue) {
    return UpdateModule(address, [&](Module& m) { m.SetNoValue(noValue); });
}

bool Simulator::SetFixedValue(int address, std::optional<double> value) {
    return UpdateModule(address, [&](Module& m) { m.SetFixedValue(value); });
}

void Simulator::PowerCycle() {
    UpdateModule(-1, [](Module& m) { m.PowerCycle(); });
}

bool Simulator::HangUp(bool reopen) {
    if (!Running()) {
        pty_.Close();
        {
            std::lock_guard lock(mutex_);
            slavePath_.clear();
        }
        return reopen ? OpenPty(nullptr) : true;
    }
    std::unique_lock lock(mutex_);
    const unsigned before = hangUpCount_;
    hangUpRequest_ = reopen ? 2 : 1;
    lock.unlock();
    Wake();
    lock.lock();
    hangUpDone_.wait(lock, [&] { return hangUpCount_ != before; });
    return hangUpResult_;
}

bool Simulator::OpenPty(std::string* error) {
    if (!pty_.Open(error)) return false;
    {
        std::lock_guard lock(mutex_);
        slavePath_ = pty_.SlavePath();
    }
    UpdateLink();
    return true;
}

void Simulator::UpdateLink() {
    std::string link, slave;
    {
        std::lock_guard lock(mutex_);
        link = linkPath_;
        slave = slavePath_;
    }
    if (link.empty() || slave.empty()) return;
    // A new link under a temporary name renamed over the old one: the path never dangles
    // half-way and a program opening it gets either the old or the new slave.
    const std::string temp = link + ".new";
    ::unlink(temp.c_str());
    if (::symlink(slave.c_str(), temp.c_str()) == 0 && ::rename(temp.c_str(), link.c_str()) != 0)
        ::unlink(temp.c_str());
}

void Simulator::PerformHangUp() {
    int request;
    {
        std::lock_guard lock(mutex_);
        request = hangUpRequest_;
    }
    if (request == 0) return;
    pty_.Close();
    {
        std::lock_guard lock(mutex_);
        slavePath_.clear();
    }
    bool ok = request == 2 ? OpenPty(nullptr) : true;
    {
        std::lock_guard lock(mutex_);
        hangUpRequest_ = 0;
        hangUpResult_ = ok;
        ++hangUpCount_;
    }
    hangUpDone_.notify_all();
}

void Simulator::Wake() {
    if (wakeWrite_ >= 0) {
        char c = 1;
        [[maybe_unused]] ssize_t n = ::write(wakeWrite_, &c, 1);
    }
}

bool Simulator::SleepUntil(Clock::time_point when) {
    std::unique_lock lock(sleepMutex_);
    return !stopCv_.wait_until(lock, when, [&] { return stop_.load(); });
}

}  // namespace qx::sim
