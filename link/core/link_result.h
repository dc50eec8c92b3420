#pragma once
// Result codes of the link's operations, as every layer above passes them on.

namespace qx {

constexpr int kOk = 0;
constexpr int kTimeoutError = -1;
constexpr int kChecksumError = -2;
constexpr int kApiError = -3;
constexpr int kPortNotAvailable = -4;

}  // namespace qx
