#pragma once
// Which of COM1..COM4 can be used: tried from COM4 down to COM1 at the first activation, so that
// the saved port index can be corrected for every missing port below it.

#include <functional>
#include <vector>

namespace qx {

constexpr int kComPorts = 4;

struct ProbeOutcome {
    std::vector<int> usablePorts;  // port numbers (0 = COM1) in ascending order
    int savedIndex = 0;            // the list item to select; may end below 0
};

// `tryPort` opens and closes the link on one port number and tells whether that worked.
// A missing port at or below the saved index moves the index down by one, so that the index
// still points at the same port in the shortened list.
ProbeOutcome ProbePorts(int savedIndex, const std::function<bool(int port)>& tryPort);

}  // namespace qx
