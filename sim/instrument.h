#pragma once
// The WZ instrument behind a simulated module: what it measures for a configuration byte, the
// range it shows it on and the value text it hands to the module for the #AA reply.

#include <optional>
#include <string>

namespace qx::sim {

// One measuring range as the instrument uses it.
struct Range {
    double fullScale = 0;  // largest magnitude shown; beyond it the reading is an overload
    int decimals = 0;      // resolution of the range's display
};

// What a configuration byte asks of the instrument.
struct Measurement {
    int quantity = 0;  // 0..7: A, V, kW, kVA, cos, Hz, degC, kohm
    int input = 0;     // current/voltage: 0 AC+DC, 1 AC, 2 DC; frequency: 0 current, 1 voltage
    bool autoRange = false;   // the instrument picks the range by the value
    Range range;              // the fixed range (the largest one when autoRange)
    bool isSigned = false;    // the reading carries a sign
    int instrumentModel = 0;  // decides the top range of current and power
};

// The measurement of `config` on an instrument of model `instrumentModel`; nothing for a byte
// that names no measurement (the instrument then gives no value).
std::optional<Measurement> MeasurementOf(int config, int instrumentModel);

// The physical quantity the simulated plant presents at time `now` (s): a slow swing around a
// level typical of the quantity and input. Power factor comes in the instrument's form (1 + cos
// for inductive loads).
double PlantValue(int quantity, int input, double now);

// The six characters that follow ">" in the #AA reply (a backslash closes them there): a sign and
// five characters for signed readings, six characters otherwise, zero-padded, at the resolution of
// the range that shows the value. A value beyond the range (beyond the largest one with automatic
// ranging) is the overload reading 9999 with the value's sign.
std::string ReadingText(const Measurement& m, double value);

}  // namespace qx::sim
