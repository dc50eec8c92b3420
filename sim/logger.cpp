#include "sim/logger.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "link/core/protocol.h"
#include "link/core/string_format.h"

namespace qx::sim {

namespace {

constexpr int kMaxCatchUp = 200000;  // records logged per call at most, so no call runs away

int Digits2(std::string_view s, std::size_t pos) {
    return (s[pos] - '0') * 10 + (s[pos + 1] - '0');
}

}  // namespace

std::string RecordPayload(int config, int status, int digits, const CivilTime& t) {
    const int t1 = ((t.month & 3) << 6) | (t.second & 0x3F);
    const int t2 = ((t.minute & 7) << 5) | (t.hour & 0x1F);
    const int t3 = (((t.minute >> 3) & 7) << 5) | (t.day & 0x1F);
    const int t4 = (((t.month >> 2) & 3) << 6) | ((t.year - 1998) & 0x3F);
    return Format("%02X%02X%04d%02X%02X%02X%02X", config & 0xFF, status & 0xFF, digits % 10000, t1,
                  t2, t3, t4);
}

bool EncodeReading(std::string_view reading, int* status, int* digits) {
    int sign = 0;
    if (!reading.empty() && (reading[0] == '+' || reading[0] == '-')) {
        sign = reading[0] == '+' ? 1 : 2;
        reading.remove_prefix(1);
    }
    int value = 0, decimals = 0;
    bool point = false, any = false;
    for (char c : reading) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            decimals += point;
            any = true;
        } else {
            return false;
        }
    }
    if (!any || value > 9999 || decimals > 4) return false;
    // Four decimals have a code of their own: the whole low nibble set, with no sign.
    *status = decimals == 4 ? 0x0F : (decimals << 2) | sign;
    *digits = value;
    return true;
}

std::optional<double> LimitValue(std::string_view field) {
    if (field.size() != 5 || HexDigit(field[0]) < 0) return std::nullopt;
    for (char c : field.substr(1))
        if (c < '0' || c > '9') return std::nullopt;
    const int flag = HexDigit(field[0]);
    const double magnitude = std::atoi(std::string(field.substr(1)).c_str());
    const double value = magnitude / std::pow(10.0, flag >> 2);
    return (flag & 3) == 2 ? -value : value;
}

Logger::Logger(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)) {
    std::fill(std::begin(nextDue_), std::end(nextDue_), -1);
}

void Logger::SetCapacity(std::size_t capacity) {
    capacity_ = std::max<std::size_t>(capacity, 1);
    while (queue_.size() > capacity_)
        queue_.pop_back();
}

void Logger::SetClock(std::int64_t clock, double now) {
    clockBase_ = clock;
    clockSetAt_ = now;
    for (int i = 0; i < kEntries; ++i)
        Schedule(i, clock);
}

std::int64_t Logger::Clock(double now) const {
    return clockBase_ + static_cast<std::int64_t>(std::floor(now - clockSetAt_));
}

void Logger::PowerCycle() {
    lastToggle_ = -1;
    headSent_ = false;
}

void Logger::ClearQueue() {
    queue_.clear();
    headSent_ = false;
}

void Logger::PushRecord(std::string payload) {
    if (queue_.size() >= capacity_) {
        // Full: with the rewrite byte the oldest record gives way, otherwise the new one is lost.
        if (!(rewrite_ & kRewrite)) return;
        queue_.pop_front();
        headSent_ = false;  // the record awaiting acknowledgement is gone
    }
    queue_.push_back(std::move(payload));
}

void Logger::Prefill(int count, int config, int intervalSeconds, double now,
                     const Sampler& sample) {
    const std::int64_t clock = Clock(now);
    const int step = std::max(intervalSeconds, 1);
    for (int i = count - 1; i >= 0; --i) {
        const std::int64_t at = clock - static_cast<std::int64_t>(i) * step;
        const auto reading = sample(config, now - static_cast<double>(clock - at));
        int status = 0, digits = 0;
        if (!reading || !EncodeReading(*reading, &status, &digits)) continue;
        PushRecord(RecordPayload(config, status, digits, CivilOf(at)));
    }
}

std::int64_t Logger::Step(int index, bool outside) const {
    const auto& e = entries_[index];
    std::int64_t step = e.intervalMinutes * 60 + e.intervalSeconds;
    const std::int64_t limitStep = e.limitMinutes * 60 + e.limitSeconds;
    if (outside && limitStep > 0) step = limitStep;
    return std::max<std::int64_t>(step, 1);  // 0:0 is the instrument's full speed
}

void Logger::Schedule(int index, std::int64_t clock) {
    nextDue_[index] = -1;
    if (!(mask_ & (1 << index))) return;
    const auto& e = entries_[index];
    const bool noDate = e.startDay == 0 || e.startMonth == 0;
    if (noDate && e.startHour == 0 && e.startMinute == 0) {
        nextDue_[index] = clock;
        return;
    }
    CivilTime start = CivilOf(clock);
    if (!noDate) start.day = e.startDay, start.month = e.startMonth;
    start.hour = e.startHour;
    start.minute = e.startMinute;
    start.second = 0;
    if (!IsValidCivil(start)) return;  // a start that never comes
    nextDue_[index] = std::max(ClockSeconds(start), clock);
}

void Logger::LogDue(int index, std::int64_t at, double now, const Sampler& sample) {
    const auto& e = entries_[index];
    const auto reading = sample(e.config, now - static_cast<double>(Clock(now) - at));
    int status = 0, digits = 0;
    bool outside = false;
    if (reading && EncodeReading(*reading, &status, &digits)) {
        const double v = std::strtod(reading->c_str(), nullptr);
        const auto low = LimitValue(e.lowField);
        const auto high = LimitValue(e.highField);
        if (low && v < *low)
            status |= 0x40, outside = true;
        else if (high && v > *high)
            status |= 0x80, outside = true;
        PushRecord(RecordPayload(e.config, status, digits, CivilOf(at)));
    }
    nextDue_[index] = at + Step(index, outside);
}

void Logger::Advance(double now, const Sampler& sample) {
    const std::int64_t clock = Clock(now);
    for (int n = 0; n < kMaxCatchUp; ++n) {
        if (queue_.size() >= capacity_ && !(rewrite_ & kRewrite)) {
            // Full without rewriting: whatever falls due now is lost; only the timing goes on.
            for (int i = 0; i < kEntries; ++i) {
                if (nextDue_[i] < 0 || nextDue_[i] > clock) continue;
                const std::int64_t step = Step(i, false);
                nextDue_[i] += ((clock - nextDue_[i]) / step + 1) * step;
            }
            return;
        }
        int next = -1;
        for (int i = 0; i < kEntries; ++i)
            if (nextDue_[i] >= 0 && nextDue_[i] <= clock &&
                (next < 0 || nextDue_[i] < nextDue_[next]))
                next = i;
        if (next < 0) return;
        if (rewrite_ & kRewrite) SkipOverwritten(next, clock);
        LogDue(next, nextDue_[next], now, sample);
    }
}

void Logger::SkipOverwritten(int index, std::int64_t clock) {
    // After a long gap, rewriting keeps only the newest records: do not make the older ones.
    const std::int64_t step = Step(index, false);
    const std::int64_t due = (clock - nextDue_[index]) / step;
    const auto keep = static_cast<std::int64_t>(capacity_);
    if (due > keep) nextDue_[index] += (due - keep) * step;
}

std::optional<std::string> Logger::ReadRecord(int toggle) {
    // The other toggle value acknowledges the record sent last; the same value asks for it again.
    if (headSent_ && toggle != lastToggle_ && !queue_.empty()) queue_.pop_front();
    lastToggle_ = toggle;
    headSent_ = !queue_.empty();
    if (queue_.empty()) return std::nullopt;
    return queue_.front();
}

std::optional<std::string> Logger::WriteClock(std::string_view d, double now) {
    const int yy = Digits2(d, 10);
    CivilTime t{yy < 98 ? 2000 + yy : 1900 + yy,
                Digits2(d, 8),
                Digits2(d, 6),
                Digits2(d, 0),
                Digits2(d, 2),
                Digits2(d, 4)};
    if (!IsValidCivil(t)) return std::nullopt;
    SetClock(ClockSeconds(t), now);
    return std::string();
}

std::optional<std::string> Logger::Handle(std::string_view rest, double now,
                                          const Sampler& sample) {
    Advance(now, sample);
    const std::string_view cmd = rest.substr(0, 2);
    const std::string_view args = rest.substr(2);
    const int index = args.empty() ? 0 : args[0] - '0';
    if (cmd == "RF") {
        const auto fill = std::min<std::size_t>(queue_.size(), 0xFFFF);
        return Format("%02X%02X", static_cast<int>(fill >> 8), static_cast<int>(fill & 0xFF));
    }
    if (cmd == "RQ") return ReadRecord(index);
    if (cmd == "WT") return WriteClock(args, now);
    if (cmd == "RT") {
        const CivilTime t = CivilOf(Clock(now));
        return Format("%02d%02d%02d%02d%02d%02d", t.hour, t.minute, t.second, t.day, t.month,
                      t.year % 100);
    }
    if (cmd == "WE") {
        rewrite_ = HexPairAt(args, 1);
        mask_ = HexPairAt(args, 3);
        for (int i = 0; i < kEntries; ++i)
            Schedule(i, Clock(now));
        return std::string();
    }
    if (cmd == "RE") return Format("%02X%02X", rewrite_, mask_);
    auto& e = entries_[index];
    if (cmd == "WD") {
        e.config = HexPairAt(args, 2);
        e.startHour = Digits2(args, 3), e.startMinute = Digits2(args, 5);
        e.startDay = Digits2(args, 7), e.startMonth = Digits2(args, 9);
        e.intervalMinutes = Digits2(args, 11), e.intervalSeconds = Digits2(args, 13);
        Schedule(index, Clock(now));
        return std::string();
    }
    if (cmd == "RD") {
        return Format("%02X%02d%02d%02d%02d%02d%02d", e.config, e.startHour, e.startMinute,
                      e.startDay, e.startMonth, e.intervalMinutes, e.intervalSeconds);
    }
    if (cmd == "WL") {
        e.lowField = args.substr(1, 5);
        e.highField = args.substr(6, 5);
        e.limitMinutes = Digits2(args, 11), e.limitSeconds = Digits2(args, 13);
        return std::string();
    }
    if (cmd == "RL")
        return e.lowField + e.highField + Format("%02d%02d", e.limitMinutes, e.limitSeconds);
    return std::nullopt;
}

}  // namespace qx::sim
