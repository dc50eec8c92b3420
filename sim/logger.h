#pragma once
// The logging side of a simulated module: its clock, the eight schedule entries with their
// limits, the rewrite byte and enable mask, and the record queue that the schedule fills as time
// passes. Time comes in as the simulator's `now` (s, already accelerated).

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "sim/civil_time.h"

namespace qx::sim {

struct ScheduleEntry {
    int config = 0;
    int startHour = 0, startMinute = 0;            // 0:0 with no start date: at once
    int startDay = 0, startMonth = 0;              // 0.0: no start date
    int intervalMinutes = 0, intervalSeconds = 0;  // 0:0: full speed, one record a second
    std::string lowField = "29999";  // "%c%04i" limit fields; these two switch the limits off
    std::string highField = "19999";
    int limitMinutes = 0, limitSeconds = 0;  // interval while a limit is exceeded; 0:0 none
};

class Logger {
  public:
    static constexpr int kEntries = 8;
    static constexpr int kRewrite = 0x80;  // rewrite byte: overwrite the oldest record when full

    // The instrument's reading (the six characters of the value reply) for a configuration byte
    // at a simulator time; nothing when it gives no value.
    using Sampler = std::function<std::optional<std::string>(int config, double now)>;

    explicit Logger(std::size_t capacity = 16384);

    // Sets the clock to `clock` (seconds since 1998-01-01) at simulator time `now`.
    void SetClock(std::int64_t clock, double now);
    std::int64_t Clock(double now) const;

    // Handles a logger request: `rest` is what follows "@AA". Returns the reply's data after
    // "!AA", or nothing for a refusal ("?AA"). Records that fell due are logged first.
    std::optional<std::string> Handle(std::string_view rest, double now, const Sampler& sample);
    // Logs the records that fell due up to `now`.
    void Advance(double now, const Sampler& sample);

    const std::deque<std::string>& Queue() const { return queue_; }
    std::size_t Capacity() const { return capacity_; }
    void SetCapacity(std::size_t capacity);
    // Appends a record's 16 characters after "!AA" as they are (any content), obeying the
    // overflow rule.
    void PushRecord(std::string payload);
    // Appends `count` records of `config` one `interval` apart, the last stamped at the clock.
    void Prefill(int count, int config, int intervalSeconds, double now, const Sampler& sample);
    void ClearQueue();
    const ScheduleEntry& Entry(int index) const { return entries_[index]; }
    int Rewrite() const { return rewrite_; }
    int EnableMask() const { return mask_; }
    // Switching off loses the record toggle; clock, schedule and queue are kept.
    void PowerCycle();

  private:
    std::optional<std::string> ReadRecord(int toggle);
    std::optional<std::string> WriteClock(std::string_view digits, double now);
    void Schedule(int index, std::int64_t clock);
    void LogDue(int index, std::int64_t at, double now, const Sampler& sample);
    std::int64_t Step(int index, bool outside) const;
    void SkipOverwritten(int index, std::int64_t clock);

    std::size_t capacity_;
    std::int64_t clockBase_ = 0;  // s since 1998-01-01 at simulator time clockSetAt_
    double clockSetAt_ = 0;
    ScheduleEntry entries_[kEntries];
    std::int64_t nextDue_[kEntries];  // clock s of the entry's next record; -1: not logging
    int rewrite_ = 0;
    int mask_ = 0;
    std::deque<std::string> queue_;
    int lastToggle_ = -1;    // toggle of the last record request
    bool headSent_ = false;  // the queue's first record went out and awaits acknowledgement
};

// The 16 characters of a record after "!AA": configuration byte, status byte, four digits and
// the four time bytes, exactly as the module packs them (month 13 and the like included).
std::string RecordPayload(int config, int status, int digits, const CivilTime& t);

// Status byte and digits of a reading text; false when the text is no reading.
bool EncodeReading(std::string_view reading, int* status, int* digits);

// Value of a "%c%04i" limit field; nothing for a malformed field.
std::optional<double> LimitValue(std::string_view field);

}  // namespace qx::sim
