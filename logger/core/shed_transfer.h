#pragma once
// The Schedule page's three module operations as plain logic: write the schedule and the clock,
// check them by reading back, and empty the record queue. Each one parks the poller for its
// whole run and releases it on every path out.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "link/core/pause_lease.h"
#include "logger/core/bus_services.h"
#include "logger/core/schedule.h"
#include "logger/core/shed_readback.h"

namespace qx {

// One item the check compared with the module: the clock (item 0), schedule index n (item n + 1)
// or the enable mask (item kShedEntries + 1), with the values that differ.
struct CheckVerdict {
    int item = 0;
    bool differs = false;
    // Each differing field, the file's value beside the module's. The clock always has its one
    // field "clock": the PC's time beside the module's (its reply when that is no time).
    std::vector<CheckField> fields;
    // The clock: seconds the module is ahead of the PC; nothing when its reply cannot be read.
    std::optional<long long> offsetS;
    bool operator==(const CheckVerdict&) const = default;
};

class TShedTransfer {
  public:
    explicit TShedTransfer(BusServices services);

    // Sets the module's clock and writes the schedule; every request is logged to
    // logDir/ROZVRH.LOG before it is sent. A schedule that would make malformed requests is
    // refused before anything is sent.
    TransactionResult Send(int addr, const Schedule& schedule, const std::filesystem::path& logDir);
    // Reads the module's clock and schedule back and marks each difference in the progress log.
    TransactionResult Check(int addr, const Schedule& schedule);
    // Reads and drops records until the module has none left or the user cancels.
    TransactionResult Clear(int addr);

    // Records dropped by the last Clear.
    int ClearedCount() const { return cleared_; }
    // What the last Check compared, in order, as far as it got.
    const std::vector<CheckVerdict>& CheckVerdicts() const { return verdicts_; }

  private:
    int Exchange(const std::string& request, std::string& reply);
    TransactionResult Refuse(int addr, const Schedule& schedule, const char* caption);
    int SendSteps(int addr, const Schedule& schedule, class TShedLog& log);
    int CheckSteps(int addr, const Schedule& schedule);
    int CheckClock(int addr);
    int ClearSteps(int addr);
    void Finish(const TransactionResult& result, const char* caption);

    BusServices bus_;
    std::optional<PauseLease> lease_;  // held from the first request to the verdict
    int cleared_ = 0;
    std::vector<CheckVerdict> verdicts_;
};

}  // namespace qx
