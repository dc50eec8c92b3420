#pragma once
// The module's baud codes and the termios speeds they stand for.

#include <termios.h>

namespace qx::sim {

constexpr int kMinBaudCode = 3;  // 1200 Bd
constexpr int kMaxBaudCode = 8;  // 38400 Bd

// Bit rate of a module baud code (3..8); 0 for any other code.
int BaudRateOfCode(int code);
// termios speed constant of a baud code (3..8); B0 for any other code.
speed_t SpeedOfCode(int code);
// Baud code of a termios speed; -1 when the speed is none of the module's six.
int CodeOfSpeed(speed_t speed);
// Baud code of a bit rate (1200..38400); -1 when the rate is none of the module's six.
int CodeOfBaudRate(int rate);

}  // namespace qx::sim
