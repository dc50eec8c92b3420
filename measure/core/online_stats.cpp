#include "measure/core/online_stats.h"

#include <cmath>

#include "link/core/station.h"
#include "measure/core/text_format.h"

namespace qx {

void OnlineStats::Reset() {
    average_ = kNoValue;
    ClearMinMax();
    history_.fill(kNoValue);
}

void OnlineStats::ClearMinMax() {
    minimum_ = kNoValue;
    maximum_ = -kNoValue;
}

void OnlineStats::Add(double value, int sign) {
    if (!(std::fabs(value) < kNoValue)) return;
    if (std::fabs(value) < kOverload) {
        if (value > maximum_) {
            maximum_ = value;
            maximumSign_ = sign;
        }
        if (value < minimum_) {
            minimum_ = value;
            minimumSign_ = sign;
        }
    }
    for (int i = 0; i + 1 < kHistory; ++i) {
        history_[i] = history_[i + 1];
        historySign_[i] = historySign_[i + 1];
    }
    history_[kHistory - 1] = value;
    historySign_[kHistory - 1] = sign;
    lastSign_ = sign;

    double sum = 0;
    int count = 0;
    for (double h : history_) {
        if (std::fabs(h) < kOverload) {
            sum += h;
            ++count;
        }
    }
    average_ = count > 0 ? sum / count : kNoValue;
}

}  // namespace qx
