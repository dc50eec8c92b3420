#include "app/core/port_probe.h"

#include <algorithm>

namespace qx {

ProbeOutcome ProbePorts(int savedIndex, const std::function<bool(int port)>& tryPort) {
    ProbeOutcome outcome;
    outcome.savedIndex = savedIndex;
    for (int port = kComPorts - 1; port >= 0; --port) {
        if (tryPort(port)) {
            outcome.usablePorts.push_back(port);
        } else if (port <= outcome.savedIndex) {
            --outcome.savedIndex;
        }
    }
    std::reverse(outcome.usablePorts.begin(), outcome.usablePorts.end());
    return outcome;
}

}  // namespace qx
