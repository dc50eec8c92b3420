#pragma once
// The PC's local date and time as the schedule commands carry it.

namespace qx {

struct LocalTime {
    int year = 2000;  // full year; the module gets it modulo 100
    int month = 1;    // 1..12
    int day = 1;      // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

}  // namespace qx
