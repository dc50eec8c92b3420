#pragma once
// The graph benchmarks' data: `points` records of one quantity half a second apart, two waves
// with a few overload squares and values beyond both limits.

#include <cmath>
#include <cstddef>

#include "common/core/data_record.h"

inline qx::RecordList GraphBenchRecords(int points) {
    qx::RecordList list;
    list.records.resize(static_cast<std::size_t>(points));
    for (int i = 0; i < points; ++i) {
        qx::DataRecord& r = list.records[static_cast<std::size_t>(i)];
        r.config = 0x15;
        r.stamp = 86400.0 * 8000 + i * 0.5;
        r.value = 50 * std::sin(i * 0.001) + 10 * std::sin(i * 0.37);
        if (i % 49999 == 7) r.value = i % 2 ? 9999.0 : -9999.0;  // a few overload squares
        r.limit = r.value > 40 ? 1 : r.value < -40 ? 2 : 0;
    }
    return list;
}
