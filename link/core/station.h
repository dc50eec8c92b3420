#pragma once

namespace qx {

constexpr double kNoValue = 1e10;  // every value of this magnitude or more means "no value"

// What the poller knows of the module at one bus address.
struct StationRecord {
    int state = 0;    // 0 absent, 1 module identified, 2 module and instrument identified
    int config = -1;  // configuration byte the module shall use; -1 until determined
    int moduleModel = 0;
    int moduleFirmware = 0;
    int instrumentModel = 0;
    int instrumentFirmware = 0;
    int instrumentNumber = 0;  // -1 after a reset by the poller; a reported 0 is stored as -1
    int sign = 0;              // 1 value text began with "+", 2 with "-", 0 neither
    double value = kNoValue;
};

}  // namespace qx
