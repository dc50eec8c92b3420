#include "logger/core/reconfigure.h"

#include <cstring>

#include "link/core/link_result.h"
#include "link/core/protocol.h"

namespace qx {

TransactionResult Reconfigure(const Exchange& exchange, const ReconfigureRequest& request) {
    TransactionResult result;
    char reply[kBufferSize + 1] = {};
    result.code = exchange(ReqConfig(request.address).c_str(), reply);
    if (result.code != kOk) return result;
    const int config =
        reply[0] == '!' ? HexPairAt(std::string_view(reply, strnlen(reply, kBufferSize)), 4) : -1;
    if (config < 0) {
        result.refusal = "Modul neposlal svou konfiguraci, nastavení nebylo změněno !";
        return result;
    }
    std::memset(reply, 0, sizeof reply);
    result.code = exchange(ReqPrepareConfig(request.address).c_str(), reply);
    if (result.code != kOk) return result;
    std::memset(reply, 0, sizeof reply);
    const int flags = request.checksum ? kFlagChecksum : 0;
    result.code = exchange(
        ReqSetConfig(request.address, request.newAddress, config, request.baudItem + 3, flags)
            .c_str(),
        reply);
    return result;
}

}  // namespace qx
