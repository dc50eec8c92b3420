#pragma once
// The serial devices present on the machine, from sysfs: every tty with a device behind it (a
// USB adapter, an on-board UART that is really there), with what its USB descriptors say.

#include <string>
#include <vector>

namespace qx::ctl {

struct SerialPortInfo {
    std::string device;        // /dev/ttyUSB0
    std::string description;   // the product, or the driver when there is none
    std::string manufacturer;  // USB adapters only
    std::string serialNumber;
    std::string vendorId;  // four hex digits, USB adapters only
    std::string productId;
};

// Sorted by device. `sysRoot` and `devRoot` are "/sys" and "/dev" outside tests. An on-board
// UART whose type is unknown (a ttyS the kernel reserves without hardware) is left out.
std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysRoot, const std::string& devRoot);

}  // namespace qx::ctl
