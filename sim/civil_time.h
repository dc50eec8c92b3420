#pragma once
// The module's clock as seconds since 1 January 1998 00:00:00 (the first year its time bytes can
// express), and the conversions to and from calendar fields.

#include <cstdint>

namespace qx::sim {

struct CivilTime {
    int year = 1998;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Seconds since 1998-01-01 00:00:00 of a calendar time (the fields are not checked).
std::int64_t ClockSeconds(const CivilTime& t);
CivilTime CivilOf(std::int64_t clockSeconds);
// True when the fields form an existing date and time of day.
bool IsValidCivil(const CivilTime& t);
// The host's local time now.
CivilTime SystemLocalTime();

}  // namespace qx::sim
