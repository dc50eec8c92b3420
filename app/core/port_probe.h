#pragma once
// Which of COM1..COM4 can be used: tried from COM4 down to COM1 at the first activation, so that
// the saved port index can be corrected for every missing port below it.

#include <functional>
#include <string>
#include <vector>

#include "link/core/port_paths.h"
#include "link/core/serial_device.h"

namespace qx {

using OpenError = SerialDevice::OpenError;

struct PortRefusal {
    int port = 0;  // 0 = COM1
    OpenError why = OpenError::Other;
};

struct ProbeOutcome {
    std::vector<int> usablePorts;      // port numbers (0 = COM1) in ascending order
    std::vector<PortRefusal> refused;  // the others, ascending, with the reason
    int savedIndex = 0;                // the list item to select; may end below 0
};

// `tryPort` opens and closes the link on one port number and tells why that failed
// (OpenError::None when it worked). A missing port at or below the saved index moves the index
// down by one, so that the index still points at the same port in the shortened list.
ProbeOutcome ProbePorts(int savedIndex, const std::function<OpenError(int port)>& tryPort);

// One line per refused port, naming its device and what the user can do about it, so that
// "no port" is never the whole story: "COM2 (/dev/ttyUSB0): port používá jiný program (PID 1234,
// qxsim)." (the holder where this user may see it).
std::string RefusedPortsText(const std::vector<PortRefusal>& refused,
                             const std::function<std::string(int port)>& devicePath);

}  // namespace qx
