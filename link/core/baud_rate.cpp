#include "link/core/baud_rate.h"

namespace qx {
namespace {

constexpr int kBaudTable[10] = {1200, 1200, 1200, 1200, 2400, 4800, 9600, 19200, 38400, 1200};

}  // namespace

int NormalBaudCode(int code) {
    return ((code % 10) + 10) % 10;
}

int BitRate(int baudCode) {
    return kBaudTable[NormalBaudCode(baudCode)];
}

}  // namespace qx
