#pragma once
// A data record of one quantity for the graph and table tests.

#include <cstdint>

#include "common/core/data_record.h"

namespace qx::test {

inline DataRecord R(int quantity, double stamp, double value, int limit = 0) {
    DataRecord r;
    r.config = static_cast<std::uint8_t>(quantity << 4);
    r.stamp = stamp;
    r.value = value;
    r.limit = static_cast<std::uint8_t>(limit);
    return r;
}

// A record given by its configuration byte, as the table and the CSV show them.
inline DataRecord RecordOf(int config, double value, int limit, double stamp = 86400.0) {
    DataRecord r;
    r.config = static_cast<std::uint8_t>(config);
    r.value = value;
    r.limit = static_cast<std::uint8_t>(limit);
    r.stamp = stamp;
    return r;
}

}  // namespace qx::test
