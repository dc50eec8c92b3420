#pragma once
// The simulated bus: one pseudo-terminal with one or more QX modules behind it, served from a
// thread of its own. Used in-process by tests and by the qxsim program.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/civil_time.h"
#include "sim/module.h"
#include "sim/pty.h"
#include "sim/wire_record.h"

namespace qx::sim {

class Simulator {
  public:
    static constexpr int kDefaultTurnaroundMs = 2;
    static constexpr int kDefaultStallMs = 100;  // well past the link's 70 ms end-of-reply gap

    Simulator();
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Set-up; modules may also be added while running.
    void AddModule(const ModuleSettings& settings);
    // With pacing, a reply starts after the turnaround delay and its characters follow each other
    // at the baud rate's character time (10 bits), as on a real line; otherwise replies are
    // written at once.
    void SetPacing(bool on, int turnaroundMs = kDefaultTurnaroundMs);
    // Simulated time runs `factor` times faster than real time: the value swing, the module
    // clocks and the logging schedules alike. Changing it keeps the simulated time continuous.
    void SetAcceleration(double factor);
    // Simulated seconds since construction (accelerated).
    double Now() const;
    // A symbolic link kept pointing at the current pty slave (also after a re-opening hang-up).
    void SetLinkPath(const std::string& path);

    bool Start(std::string* error = nullptr);
    void Stop();
    bool Running() const { return thread_.joinable(); }
    // Path of the pty slave that the program opens; empty while no pty is open.
    std::string SlavePath() const;

    // Module state, looked up by position or by current bus address.
    std::size_t ModuleCount() const;
    std::optional<Module> ModuleAt(std::size_t index) const;
    std::optional<Module> FindModule(int address) const;
    // Applies `change` to the module at `address` under the simulator's lock; false if none.
    bool UpdateModule(int address, const std::function<void(Module&)>& change);

    // Faults. Address -1 addresses every module.
    void SetSilent(bool silent);
    void DropReplies(int count);
    void CorruptNextChecksum();
    void StallNextReply(int ms = kDefaultStallMs);
    // The next reply to a request of `kind` (the request without its address: "$2", "#", "@RF";
    // empty: any request) goes out `ms` late, after the link has given up on it, so that it
    // arrives during a later exchange. Requests that come meanwhile wait behind it, as they do
    // at a slow module. 0 takes the fault back.
    void DelayNextReply(int ms, std::string kind = {});
    void SetStreaming(bool streaming);
    bool SetInstrumentAttached(int address, bool attached);
    bool SetNoValue(int address, bool noValue);
    // One module answers nothing while `silent`, as if switched off; the others go on.
    bool SetModuleSilent(int address, bool silent);
    // Holds the measured quantity at a value (nothing: back to the simulated swing).
    bool SetFixedValue(int address, std::optional<double> value);
    void PowerCycle();
    // Logger queue contents for the download's cases: records measured by the instrument, or
    // records given as their 16 characters after "!AA" (see RecordPayload). A negative `config`
    // stands for the module's own configuration byte.
    bool PrefillQueue(int address, int count, int config, int intervalSeconds = 1);
    bool PushRecord(int address, const std::string& payload);
    // Sets a module's clock, as the WT command does.
    bool SetClock(int address, const CivilTime& t);
    // Closes the master side, so the program sees the line hang up. With `reopen`, a new pty is
    // opened at once (a new slave path; the link path follows it). Without a pty, `reopen` just
    // opens a new one. Returns false when a new pty could not be opened.
    bool HangUp(bool reopen);

    WireRecord& Record() { return record_; }
    const WireRecord& Record() const { return record_; }

  private:
    struct Faults {
        bool silent = false;
        int drop = 0;
        bool corrupt = false;
        int stallMs = 0;
        bool streaming = false;
        int lateMs = 0;
        std::string lateKind;  // the request without its address; empty for any
    };

    void Run();
    void HandleLine(const std::string& line);
    // The lateness to give the reply to `line` (taken from the faults); 0 for none.
    int TakeLateness(const std::string& line);
    void SendReply(std::string frame, int baudCode, int stallMs);
    void Stream(std::chrono::steady_clock::time_point& next);
    void ReadAvailable(std::string& line, bool& overlong, bool& noClient);
    void PerformHangUp();
    bool OpenPty(std::string* error);
    void UpdateLink();
    void Wake();
    double NowLocked() const;
    // Sleeps until `when` or until Stop(); false when stopped.
    bool SleepUntil(std::chrono::steady_clock::time_point when);

    mutable std::mutex mutex_;  // guards modules_, faults_, pacing, time base, slavePath_, hang-up
    double accel_ = 1.0;
    double simBase_ = 0;  // simulated s at realBase_
    std::chrono::steady_clock::time_point realBase_;
    std::condition_variable hangUpDone_;
    std::vector<Module> modules_;
    Faults faults_;
    bool pace_ = false;
    int turnaroundMs_ = kDefaultTurnaroundMs;
    std::string linkPath_;
    std::string slavePath_;
    int hangUpRequest_ = 0;  // 0 none, 1 close, 2 close and reopen
    bool hangUpResult_ = true;
    unsigned hangUpCount_ = 0;

    std::mutex sleepMutex_;  // pairs with stopCv_ for interruptible sleeps
    std::condition_variable stopCv_;
    std::atomic<bool> stop_{false};

    Pty pty_;  // used by the serving thread only, while it runs
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    WireRecord record_;
    std::thread thread_;
};

}  // namespace qx::sim
