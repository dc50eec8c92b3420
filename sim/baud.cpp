#include "sim/baud.h"

namespace qx::sim {

namespace {

struct BaudEntry {
    int code;
    int rate;
    speed_t speed;
};

constexpr BaudEntry kBauds[] = {
    {3, 1200, B1200}, {4, 2400, B2400},   {5, 4800, B4800},
    {6, 9600, B9600}, {7, 19200, B19200}, {8, 38400, B38400},
};

}  // namespace

int BaudRateOfCode(int code) {
    for (const auto& b : kBauds)
        if (b.code == code) return b.rate;
    return 0;
}

speed_t SpeedOfCode(int code) {
    for (const auto& b : kBauds)
        if (b.code == code) return b.speed;
    return B0;
}

int CodeOfSpeed(speed_t speed) {
    for (const auto& b : kBauds)
        if (b.speed == speed) return b.code;
    return -1;
}

int CodeOfBaudRate(int rate) {
    for (const auto& b : kBauds)
        if (b.rate == rate) return b.code;
    return -1;
}

}  // namespace qx::sim
