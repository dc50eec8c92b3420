#pragma once
// The baud codes of the settings and of the module's configuration, and their bit rates.

namespace qx {

// A baud code held to 0..9: codes arrive from settings and the module and are kept in range.
int NormalBaudCode(int code);

// Bit rate for a baud code 0..9 (codes 3..8 are the module's own: 1200 to 38400 Bd).
int BitRate(int baudCode);

}  // namespace qx
