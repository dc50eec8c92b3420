#pragma once
// The PC's local date and time, as the schedule commands, the recording and the download use it.
// Everything that reads the clock takes a LocalClock, so tests can set the time.

#include <functional>

namespace qx {

struct LocalTime {
    int year = 2000;  // full year; the module gets it modulo 100
    int month = 1;    // 1..12
    int day = 1;      // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

using LocalClock = std::function<LocalTime()>;

// The system's local time, with milliseconds.
LocalTime SystemLocalTime();

}  // namespace qx
