#pragma once
// How a foreground bus transaction ended.

#include <string>

namespace qx {

struct TransactionResult {
    int code = 0;         // 0, or the link's negative result code of the request that failed
    std::string refusal;  // set when the transaction refused to start; nothing was sent then

    bool Ok() const { return code == 0 && refusal.empty(); }
};

}  // namespace qx
