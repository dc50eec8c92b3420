#pragma once
// The serial devices present on this machine, for the user to map COM1..COM4 onto: the stable
// /dev/serial/by-id names first (they survive replugging and reboots), then /dev/ttyUSB*,
// /dev/ttyACM* and those /dev/ttyS* that have a port behind them. Each USB device is described
// from sysfs (manufacturer, product, serial number, VID:PID), so the user can tell two adapters
// apart.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/core/port_paths.h"

namespace qx {

struct SerialPortEntry {
    std::string path;         // what the user maps a COM name onto
    std::string description;  // "FTDI FT232R USB UART, SN A10K1ABC, 0403:6001"; may be empty
    bool operator==(const SerialPortEntry&) const = default;
};

// Whether a built-in port /dev/ttySn has a UART behind it; the kernel creates ttyS0..ttyS31
// whether or not there is one.
bool BuiltInPortPresent(const std::string& path);

// `root` is prefixed to /dev and /sys (tests give a folder of their own); the listed paths are
// without it. `present` decides for each ttyS* (given with `root`).
std::vector<SerialPortEntry> ListSerialPorts(
    const std::string& root = {},
    const std::function<bool(const std::string& path)>& present = BuiltInPortPresent);

// The device a path stands for: the target of a link such as a /dev/serial/by-id name, the path
// itself otherwise (also when it cannot be resolved).
std::string DeviceBehind(const std::string& path);

// COM1..COM4 as the first start maps them, before the user has stored a mapping.
struct FirstPortMap {
    PortPaths paths;  // device paths of COM1..COM4
    int found = 0;    // COM1..COM(found) stand for devices that are present
};

// The devices `present` (in ListSerialPorts' order) become COM1, COM2, ...; a device listed under
// two names (its by-id link and its kernel name) takes one port only. The ports left over keep
// their defaults /dev/ttyS0..3, but no device is mapped twice: a default already taken gives way
// to the lowest default still free.
FirstPortMap FirstStartPortMap(
    const std::vector<SerialPortEntry>& present,
    const std::function<std::string(const std::string& path)>& deviceOf = DeviceBehind);

// Whether this user is kept from opening `path` for reading and writing: nothing when it may (or
// when there is no such file); else the group that would let the user in ("dialout" for a
// device that its group may use), or "" when joining a group would not help.
std::optional<std::string> DeniedAccessGroup(const std::string& path);

}  // namespace qx
