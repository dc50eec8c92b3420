#include "link/core/port_paths.h"

namespace qx {

std::string ComName(int port) {
    return "COM" + std::to_string(port + 1);
}

int ComNumber(std::string_view name) {
    if (name.size() != 4 || (name[0] | 0x20) != 'c' || (name[1] | 0x20) != 'o' ||
        (name[2] | 0x20) != 'm' || name[3] < '1' || name[3] >= '1' + kComPorts)
        return -1;
    return name[3] - '1';
}

std::string DefaultComDevice(int port) {
    return "/dev/ttyS" + std::to_string(port);
}

PortPaths DefaultPortPaths() {
    PortPaths paths;
    for (int port = 0; port < kComPorts; ++port)
        paths[ComIndex(port)] = DefaultComDevice(port);
    return paths;
}

}  // namespace qx
