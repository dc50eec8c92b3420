#pragma once
// Changing a module's address, baud rate and checksum mode with the configuration command.

#include <string>
#include <string_view>

#include "logger/core/bus_services.h"
#include "logger/core/transaction_result.h"

namespace qx {

// What the reconfiguration dialog asks for.
struct ReconfigureRequest {
    int address = 1;     // the module's present address
    int newAddress = 1;  // the address to set; valid at once
    int baudItem = 0;    // item of the baud list: 0 for 1200 Bd .. 5 for 38400 Bd (code = item + 3)
    bool checksum = false;
};

// Reads the module's configuration byte, announces the change and sends the configuration
// command with that byte unchanged. Stops at the first failed request. A reply that does not
// carry a configuration byte is refused rather than sent on as garbage. Does not pause the
// poller or show anything: the caller does both.
TransactionResult Reconfigure(const Exchange& exchange, const ReconfigureRequest& request);

}  // namespace qx
