#include "link/core/comm_port_find_link.h"

namespace qx {

int TCommPortFindLink::Reopen(int baudCode, bool checksum) {
    port_.Close();
    return port_.Open(portIndex_, baudCode, checksum, window_);
}

}  // namespace qx
