#pragma once
// What every foreground transaction (schedule transfer, queue clearing, download, module search)
// holds while it uses the bus: the bus-busy count, so the window does not re-apply the settings,
// and the parked poller. Both are released on every path out, the poller first.

#include "common/core/bus_busy.h"
#include "link/core/comm_port.h"

namespace qx {

class ForegroundTransaction {
  public:
    ForegroundTransaction(BusBusy& busy, TCommPort& port) : scope_(busy), pause_(port) {}
    ForegroundTransaction(const ForegroundTransaction&) = delete;
    ForegroundTransaction& operator=(const ForegroundTransaction&) = delete;

  private:
    BusBusy::Scope scope_;  // taken first, released last
    PauseGuard pause_;
};

}  // namespace qx
