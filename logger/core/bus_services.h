#pragma once
// What a foreground bus transaction needs from the program around it. The page fills these with
// the link's Send, the poller's pause handshake and the bus-busy count, the progress dialog, the
// local clock and a message box; tests fill them with fakes.

#include <functional>
#include <string>

#include "common/core/local_time.h"
#include "common/core/progress.h"
#include "link/core/bus.h"
#include "link/core/bus_busy.h"
#include "logger/core/shed_requests.h"
#include "logger/core/transaction_result.h"

namespace qx {

struct BusServices {
    Exchange exchange;
    PollerPause* poller = nullptr;  // parked for the whole run of each operation
    BusBusy* busy = nullptr;  // the window's bus-busy count, held with the poller; may be null
    Progress* progress = nullptr;
    std::function<LocalTime()> clock;  // the PC's local date and time
    ConfigEncoder encode;
    // Shows a failure to the user: the link's text for result.code, or result.refusal; `caption`
    // names the operation.
    std::function<void(const TransactionResult& result, const char* caption)> report;
};

}  // namespace qx
