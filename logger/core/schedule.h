#pragma once
// The schedule table with the two schedule-wide flags that travel with it in the schedule file.

#include <array>

#include "logger/core/shed_entry.h"

namespace qx {

constexpr int kShedEntries = 8;

struct Schedule {
    bool rewrite =
        false;  // "Přepisovat frontu": overwrite the oldest records when the queue is full
    bool allOff = false;  // "Zakázat všechny": every index disabled, whatever the entries say
    std::array<ShedEntry, kShedEntries> entries{};

    // What a first start without a schedule file shows.
    static Schedule Defaults();

    bool operator==(const Schedule&) const = default;
};

}  // namespace qx
