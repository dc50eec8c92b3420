#include "sim/instrument.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace qx::sim {

namespace {

constexpr double kOverload = 9999;

// The ranges of a quantity, highest first: the order of the range field R3, R2, R1, R0.
std::vector<Range> RangesOf(int quantity, int instrumentModel) {
    const bool wide = instrumentModel == 525 || instrumentModel == 1525;
    const Range top{wide ? 2000.0 : 1000.0, 0};
    switch (quantity) {
        case 0:
            return {top, {399.9, 1}, {39.99, 2}};
        case 1:
            return {{1000, 0}, {399.9, 1}, {39.99, 2}};
        case 2:
        case 3:
            return {top, {399.9, 1}, {39.99, 2}, {3.999, 3}};
        case 5:
            return {{3999, 0}, {399.9, 1}};
        case 7:
            return {{399.9, 1}, {39.99, 2}, {3.999, 3}, {0.3999, 4}};
        case 4:
            return {{2.0, 2}};  // the instrument's form runs from -2 to +2
        default:
            return {{999.9, 1}};  // temperature
    }
}

// The range that shows `magnitude`: the fixed one, or with automatic ranging the finest one that
// holds it (the largest one when none does).
Range ShowingRange(const Measurement& m, double magnitude) {
    if (!m.autoRange) return m.range;
    const auto ranges = RangesOf(m.quantity, m.instrumentModel);
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it)
        if (magnitude <= it->fullScale) return *it;
    return ranges.front();
}

}  // namespace

std::optional<Measurement> MeasurementOf(int config, int instrumentModel) {
    if (config < 0 || config > 0x7F) return std::nullopt;
    Measurement m;
    m.instrumentModel = instrumentModel;
    m.quantity = config >> 4;
    const int rangeField = (config >> 2) & 3;
    const int inputField = config & 3;
    const int low = config & 15;
    const auto ranges = RangesOf(m.quantity, instrumentModel);
    switch (m.quantity) {
        case 0:
        case 1:
            if (inputField == 3) return std::nullopt;
            m.input = inputField;
            m.autoRange = rangeField == 3;
            m.isSigned = inputField == 2;  // only a DC reading has a direction
            break;
        case 2:
        case 3:
        case 7:
            if (low == 15)
                m.autoRange = true;
            else if (inputField != 0)
                return std::nullopt;
            m.isSigned = m.quantity == 2;  // active power flows either way
            break;
        case 5:
            if (inputField > 1 || rangeField == 2) return std::nullopt;
            m.input = inputField;
            m.autoRange = rangeField == 3;
            break;
        default:  // 4 and 6: no range, no input
            if (low != 0) return std::nullopt;
            m.isSigned = true;
            break;
    }
    if (m.autoRange)
        m.range = ranges.front();
    else if (rangeField < static_cast<int>(ranges.size()))
        m.range = ranges[rangeField];
    else
        m.range = ranges.front();  // 4 and 6 have one range in field 0
    return m;
}

double PlantValue(int quantity, int input, double now) {
    // A two-minute swing plus a slower one, so consecutive readings differ but stay close.
    // Kept within -1..+1, so every level below stays inside its band.
    const double s =
        (std::sin(now * 2.0 * M_PI / 120.0) + 0.3 * std::sin(now * 2.0 * M_PI / 37.0)) / 1.3;
    switch (quantity) {
        case 0:
            return input == 2 ? 2.5 + 4.0 * s : 12.34 + 1.0 * s;  // DC crosses zero
        case 1:
            return input == 2 ? 24.0 + 0.5 * s : 230.0 + 3.0 * s;
        case 2:
            return 2.3 + 0.4 * s;
        case 3:
            return 2.5 + 0.4 * s;
        case 4:
            return 1.0 + 0.93 + 0.04 * s;  // cos 0.89..0.97 inductive, in the instrument's form
        case 5:
            return 50.0 + 0.05 * s;
        case 6:
            return 23.5 + 1.5 * s;
        default:
            return 4.7 + 0.3 * s;
    }
}

std::string ReadingText(const Measurement& m, double value) {
    double magnitude = std::fabs(value);
    const Range r = ShowingRange(m, magnitude);
    int decimals = r.decimals;
    if (magnitude > r.fullScale) {
        magnitude = kOverload;
        decimals = 0;
    }
    const double scale = std::pow(10.0, decimals);
    magnitude = std::round(magnitude * scale) / scale;
    char buf[32];
    const int width = m.isSigned ? 5 : 6;
    std::snprintf(buf, sizeof buf, "%0*.*f", width, decimals, magnitude);
    std::string text(buf);
    if (m.isSigned) text.insert(text.begin(), value < 0 && magnitude > 0 ? '-' : '+');
    return text;
}

}  // namespace qx::sim
