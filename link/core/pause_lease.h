#pragma once
// What every foreground transaction (schedule transfer, queue clearing, download, module search,
// reconfiguration) holds while it uses the bus: the parked poller and, when the window's count
// is given, the bus-busy count, so the window does not re-apply the settings meanwhile. Both are
// released on every path out, the poller first.

#include "link/core/bus.h"
#include "link/core/bus_busy.h"

namespace qx {

class PauseLease {
  public:
    explicit PauseLease(PollerPause& poller, BusBusy* busy = nullptr)
        : busy_(busy), poller_(poller) {
        poller_.RequestPause();
    }
    ~PauseLease() { poller_.ReleasePause(); }
    PauseLease(const PauseLease&) = delete;
    PauseLease& operator=(const PauseLease&) = delete;

  private:
    BusBusy::Scope busy_;  // taken first, released last
    PollerPause& poller_;
};

}  // namespace qx
