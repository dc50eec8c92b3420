#pragma once
// How a foreground transaction talks on the bus: single exchanges over the link's Send, and the
// poller's pause handshake that a PauseLease holds for it.

#include <functional>
#include <string>

namespace qx {

// One exchange: `reply` must hold kBufferSize characters and receives the raw reply; 0 or a
// negative result code.
using Exchange = std::function<int(const char* request, char* reply)>;

// One exchange with texts: the reply up to its end, without the buffer's padding.
int ExchangeText(const Exchange& exchange, const std::string& request, std::string& reply);

// The poller's pause handshake as a foreground transaction sees it: the link object, or a test's
// stand-in.
class PollerPause {
  public:
    // Returns when the poller has stopped touching the bus (at once when the link is closed).
    virtual void RequestPause() = 0;
    // Returns when the poller has left its pause point.
    virtual void ReleasePause() = 0;

  protected:
    ~PollerPause() = default;
};

}  // namespace qx
