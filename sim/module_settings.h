#pragma once
// What one simulated module is: its bus settings, identity and instrument.

#include "link/core/protocol.h"

namespace qx::sim {

struct ModuleSettings {
    int address = 1;        // 0..255
    int baudCode = 6;       // 3..8 for 1200..38400 Bd
    bool checksum = false;  // requests and replies carry two checksum digits
    int moduleModel = 1520;
    int moduleFirmware = 102;
    int instrumentModel = 520;
    int instrumentFirmware = 210;
    long instrumentNumber = 12345678;  // up to eight digits
    // Format flags as reported in the $AA2 reply. Bit 3 (instrument) and bit 6 (checksum) are not
    // taken from here: they always follow `instrumentAttached` and `checksum`.
    int formatFlags = kFlagValue | kFlagNumber;
    int config = 0x00;  // configuration byte: quantity high nibble, range/input low nibble
    bool instrumentAttached = true;
    int queueCapacity = 16384;  // records the logger's queue holds
    // A faulty module: answers its model request but never the configuration read ($AA2).
    bool muteConfigRead = false;
};

}  // namespace qx::sim
