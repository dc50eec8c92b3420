#pragma once
// The station poller: the body of the background thread that keeps the station table current.

#include "link/core/comm_port.h"

namespace qx {

class TService {
  public:
    explicit TService(TCommPort& port) : port_(port) {}
    // The poll loop; returns when the link's open flag drops, after the final notification.
    void Execute();

  private:
    TCommPort& port_;
};

}  // namespace qx
