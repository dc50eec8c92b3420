// How closely the simulator's paced replies follow a real line: for each baud rate, the time
// from writing a request on the slave to the reply's CR, minus the turnaround and the reply's
// wire time (10 bits a character). Prints p50 and p99 of that excess in microseconds.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/baud.h"
#include "sim/simulator.h"

namespace {

using Clock = std::chrono::steady_clock;

bool ReadToCr(int fd) {
    char c = 0;
    while (c != '\r') {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) <= 0 || ::read(fd, &c, 1) != 1) return false;
    }
    return true;
}

void Measure(int baudCode, int exchanges) {
    constexpr int kTurnaroundMs = 2;
    qx::sim::Simulator sim;
    qx::sim::ModuleSettings s;
    s.baudCode = baudCode;
    sim.AddModule(s);
    sim.SetPacing(true, kTurnaroundMs);
    if (!sim.Start()) return;
    const int fd = ::open(sim.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, qx::sim::SpeedOfCode(baudCode));
    cfsetospeed(&tio, qx::sim::SpeedOfCode(baudCode));
    tcsetattr(fd, TCSANOW, &tio);
    const std::string request = "$01M\r";
    const double replyChars = 12;  // "!0115200520" and CR
    const double floorUs =
        kTurnaroundMs * 1000.0 + replyChars * 10e6 / qx::sim::BaudRateOfCode(baudCode);
    std::vector<double> excess;
    for (int i = 0; i < exchanges; ++i) {
        const auto start = Clock::now();
        if (::write(fd, request.data(), request.size()) < 0 || !ReadToCr(fd)) break;
        excess.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() -
                         floorUs);
    }
    ::close(fd);
    if (excess.empty()) return;
    std::sort(excess.begin(), excess.end());
    std::printf("%6d Bd: %zu exchanges, floor %.0f us, excess p50 %.0f us, p99 %.0f us\n",
                qx::sim::BaudRateOfCode(baudCode), excess.size(), floorUs,
                excess[excess.size() / 2], excess[excess.size() * 99 / 100]);
}

}  // namespace

int main() {
    for (int code : {3, 6, 8})
        Measure(code, code == 3 ? 50 : 200);
    return 0;
}
