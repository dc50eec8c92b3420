#include "logger/core/schedule.h"

namespace qx {

Schedule Schedule::Defaults() {
    Schedule s;
    s.rewrite = false;
    s.allOff = true;  // a new installation logs nothing until the user enables it
    for (ShedEntry& e : s.entries) {
        e = ShedEntry{};
        e.date = "0.0.";
        e.time = "0:0";
        e.interval = "1:00";
        e.high = "+9999";
        e.low = "-9999";
        e.limitInterval = "0:10";
    }
    return s;
}

}  // namespace qx
