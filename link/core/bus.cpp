#include "link/core/bus.h"

#include <cstring>

#include "link/core/protocol.h"

namespace qx {

int ExchangeText(const Exchange& exchange, const std::string& request, std::string& reply) {
    // One spare character: a reply that fills the buffer still ends in a NUL.
    char buffer[kBufferSize + 1] = {};
    const int code = exchange(request.c_str(), buffer);
    reply.assign(buffer, strnlen(buffer, kBufferSize));
    return code;
}

}  // namespace qx
