// A simulator hangs up and leaves its link naming its terminal's number; the system gives that
// number to the next pseudo-terminal opened, here another program's simulator. The link that lost
// its port looks for it again (what its poller does once a second), and then the other program
// opens its own terminal. Prints how often that open was refused as "used by another program".
// Usage: recycled_terminal [ROUNDS]   (default 200)

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "link/core/comm_port.h"
#include "link/core/pause_lease.h"
#include "sim/simulator.h"

int main(int argc, char** argv) {
    using namespace qx;
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    const std::string link = "/tmp/recycled-terminal-" + std::to_string(::getpid());
    int reused = 0, refused = 0, opened = 0;
    for (int i = 0; i < rounds; ++i) {
        sim::Simulator first;
        first.AddModule(sim::ModuleSettings{});
        first.SetLinkPath(link);
        if (!first.Start()) return 2;
        const std::string number = first.SlavePath();
        TCommPort lost(PortPaths{link, "", "", ""});
        if (lost.Open(0, 6, false, nullptr) != kOk) return 3;
        PauseLease pause(lost);  // this thread plays the poller
        first.HangUp(false);
        char reply[kBufferSize];
        lost.Send("$01M", reply);  // finds the line gone
        sim::Simulator other;
        other.AddModule(sim::ModuleSettings{});
        if (!other.Start()) return 4;
        if (other.SlavePath() != number) continue;  // the number went elsewhere meanwhile
        ++reused;
        lost.ReopenLostPort();
        TCommPort theirs(PortPaths{other.SlavePath(), "", "", ""});
        if (theirs.Open(0, 6, false, nullptr) == kOk) {
            ++opened;
        } else if (theirs.LastOpenError() == SerialDevice::OpenError::Busy) {
            ++refused;
        }
    }
    ::unlink(link.c_str());
    std::printf(
        "%d rounds, terminal number given again in %d: the other program's own port %d "
        "times refused as used by another program, %d times opened\n",
        rounds, reused, refused, opened);
    return 0;
}
