#include "app/core/port_probe.h"

#include <algorithm>

#include "link/core/port_holder.h"

namespace qx {

ProbeOutcome ProbePorts(int savedIndex, const std::function<OpenError(int port)>& tryPort) {
    ProbeOutcome outcome;
    outcome.savedIndex = savedIndex;
    for (int port = kComPorts - 1; port >= 0; --port) {
        const OpenError why = tryPort(port);
        if (why == OpenError::None) {
            outcome.usablePorts.push_back(port);
            continue;
        }
        outcome.refused.push_back({port, why});
        if (port <= outcome.savedIndex) --outcome.savedIndex;
    }
    std::reverse(outcome.usablePorts.begin(), outcome.usablePorts.end());
    std::reverse(outcome.refused.begin(), outcome.refused.end());
    return outcome;
}

std::string RefusedPortsText(const std::vector<PortRefusal>& refused,
                             const std::function<std::string(int port)>& devicePath) {
    std::string text;
    for (const PortRefusal& r : refused) {
        std::string reason = "port nelze otevřít ani nastavit.";
        switch (r.why) {
            case OpenError::NotFound:
                reason = "zařízení neexistuje (adaptér není připojen).";
                break;
            case OpenError::Busy: {
                const auto holder = FindPortHolder(devicePath(r.port));
                reason = "port používá jiný program" +
                         (holder ? " (" + PortHolderText(*holder) + ")." : std::string("."));
                break;
            }
            case OpenError::Permission:
                reason =
                    "přístup odepřen: přidejte uživatele do skupiny dialout "
                    "(sudo usermod -aG dialout $USER) a znovu se přihlaste.";
                break;
            case OpenError::None:
            case OpenError::Other:
                break;
        }
        if (!text.empty()) text += '\n';
        text += ComName(r.port) + " (" + devicePath(r.port) + "): " + reason;
    }
    return text;
}

}  // namespace qx
