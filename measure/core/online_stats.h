#pragma once
// Statistics of the live value on the On-line page: the last ten values with their signs, the
// minimum and maximum since the last reset and the average of the last ten.

#include <array>

namespace qx {

class OnlineStats {
  public:
    static constexpr int kHistory = 10;

    OnlineStats() { Reset(); }

    // Start over: everything reads as "no value". The signs stay as they were.
    void Reset();
    // Restart minimum and maximum only; history and average stay.
    void ClearMinMax();
    // A new live value with its sign indicator (0 none, 1 "+", 2 "-"). No-value markers (and NaN)
    // are ignored.
    void Add(double value, int sign);

    double Maximum() const { return maximum_; }
    double Minimum() const { return minimum_; }
    double Average() const { return average_; }
    int MaximumSign() const { return maximumSign_; }
    int MinimumSign() const { return minimumSign_; }
    int LastSign() const { return lastSign_; }
    // Entry 0 is the oldest, entry 9 the newest.
    double History(int i) const { return history_[i]; }
    int HistorySign(int i) const { return historySign_[i]; }

  private:
    double maximum_ = 0;
    double minimum_ = 0;
    double average_ = 0;
    int maximumSign_ = 0;
    int minimumSign_ = 0;
    int lastSign_ = 0;
    std::array<double, kHistory> history_{};
    std::array<int, kHistory> historySign_{};
};

}  // namespace qx
