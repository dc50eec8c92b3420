#pragma once
// What a foreground bus transaction needs from the program around it. The page fills these with
// the link's Send, the poller's pause handshake, the progress dialog, the local clock and a
// message box; tests fill them with fakes.

#include <functional>
#include <string>

#include "common/core/local_time.h"
#include "common/core/progress.h"
#include "logger/core/shed_requests.h"
#include "logger/core/transaction_result.h"

namespace qx {

// One exchange: `reply` must hold 32 characters and receives the raw reply; 0 or a negative
// result code.
using Exchange = std::function<int(const char* request, char* reply)>;

struct BusServices {
    Exchange exchange;
    std::function<void()> pause;   // park the poller; returns when it has stopped touching the bus
    std::function<void()> resume;  // let the poller go on
    Progress* progress = nullptr;
    std::function<LocalTime()> clock;  // the PC's local date and time
    ConfigEncoder encode;
    // Shows a failure to the user: the link's text for result.code, or result.refusal; `caption`
    // names the operation.
    std::function<void(const TransactionResult& result, const char* caption)> report;
};

}  // namespace qx
