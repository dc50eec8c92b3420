// qxsim: a simulated QX module (or several) on a pseudo-terminal, for demos and manual tests.

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sim/control.h"
#include "sim/simulator.h"

namespace {

void PrintHelp() {
    std::printf(
        "Usage: qxsim [options]\n"
        "Serves simulated QX modules with WZ instruments on a new pseudo-terminal and prints\n"
        "the path of its slave side (the device a program opens) on the first line.\n"
        "\n"
        "Options:\n"
        "  --module ITEMS     add a module; repeat for several modules on the same line.\n"
        "                    ITEMS is key=value,... with the keys\n"
        "                      addr=N      bus address 0..255 (default 1; 0x.. for hex)\n"
        "                      baud=N      baud code 3..8 or bit rate 1200..38400 (default 9600)\n"
        "                      csum=0|1    checksums on requests and replies (default 0)\n"
        "                      model=N     module model number (default 1520)\n"
        "                      fw=N        module firmware number (default 102)\n"
        "                      inst=N      instrument model number (default 520)\n"
        "                      ifw=N       instrument firmware number (default 210)\n"
        "                      number=N    instrument number, up to 8 digits (default 12345678)\n"
        "                      flags=N     format flags (default 0x06: values, instrument number;\n"
        "                                  bit 3 follows 'attached', bit 6 follows 'csum')\n"
        "                      config=N    configuration byte (default 0x00)\n"
        "                      attached=0|1  instrument attached (default 1)\n"
        "                      queue=N     record queue capacity (default 16384)\n"
        "                      mute2=0|1   never answer the configuration read $AA2, as a\n"
        "                                  faulty module (default 0)\n"
        "                    Without --module one module with the defaults is served.\n"
        "  --link PATH       keep a symbolic link PATH pointing at the slave (also after\n"
        "                    'reopen'); removed at exit\n"
        "  --pace            send reply characters at the baud rate's character time, after a\n"
        "                    turnaround delay, as a real line does\n"
        "  --turnaround MS   turnaround delay with --pace (default 2)\n"
        "  --trace FILE      write each frame on the line to FILE as it passes, one line per\n"
        "                    frame: seconds since start, '>' (to the module) or '<' (from it)\n"
        "                    and the bytes, CR shown as \\r; flushed line by line\n"
        "  --accel F         simulated time runs F times faster than real time: module\n"
        "                    clocks, logging schedules and the value swing (default 1)\n"
        "  -h, --help        print this text and exit\n"
        "  -v, --version     print the version and exit\n"
        "\n"
        "A module answers only when the line speed that the program set on the pty is its own\n"
        "baud rate and the request's checksum state matches its own. The configuration\n"
        "command changes address and configuration byte at once; baud rate and checksum mode\n"
        "take effect at the next power cycle ('power'). Module clocks start at the host's\n"
        "local time; the logger fills its queue by the schedule written to it.\n"
        "\n"
        "Control commands on standard input, one per line (answered with 'ok' or 'error'):\n"
        "%s"
        "  quit                  end the program (as do SIGINT and SIGTERM)\n",
        qx::sim::ControlHelp());
}

// Writes the wire trace. Each line is flushed at once, so a script that watches the file sees
// a request as soon as the module has handled it.
class TraceFile {
  public:
    ~TraceFile() {
        if (file_ != nullptr) std::fclose(file_);
    }
    bool Open(const char* path) {
        if (file_ != nullptr) std::fclose(file_);
        file_ = std::fopen(path, "w");
        return file_ != nullptr;
    }
    void Attach(qx::sim::WireRecord& record) {
        if (file_ == nullptr) return;
        const auto start = std::chrono::steady_clock::now();
        record.SetObserver([this, start](const qx::sim::WireFrame& frame) {
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            std::fprintf(file_, "%s\n", qx::sim::TraceLine(elapsed.count(), frame).c_str());
            std::fflush(file_);
        });
    }

  private:
    std::FILE* file_ = nullptr;
};

// --help and --version answer before any other option takes effect (a trace file is not
// created, a bad module description not reported).
bool AnswersAndEnds(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return true;
        }
        if (arg == "--version" || arg == "-v") {
            std::printf("qxsim " MERIDO_VERSION "\n");
            return true;
        }
    }
    return false;
}

bool ParseArgs(int argc, char** argv, qx::sim::Simulator& sim, TraceFile& trace) {
    bool anyModule = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--pace") {
            sim.SetPacing(true);
        } else if (arg == "--module") {
            const char* items = value();
            qx::sim::ModuleSettings settings;
            std::string error;
            if (!items || !qx::sim::ParseModuleItems(items, &settings, &error)) {
                std::fprintf(stderr, "qxsim: %s\n",
                             items ? error.c_str() : "--module needs a ITEMS");
                return false;
            }
            sim.AddModule(settings);
            anyModule = true;
        } else if (arg == "--link") {
            const char* path = value();
            if (!path) return std::fprintf(stderr, "qxsim: --link needs a PATH\n"), false;
            sim.SetLinkPath(path);
        } else if (arg == "--trace") {
            const char* path = value();
            if (!path) return std::fprintf(stderr, "qxsim: --trace needs a FILE\n"), false;
            if (!trace.Open(path))
                return std::fprintf(stderr, "qxsim: cannot write %s: %s\n", path,
                                    std::strerror(errno)),
                       false;
        } else if (arg == "--accel") {
            const char* f = value();
            const double factor = f ? std::atof(f) : 0;
            if (factor <= 0) return std::fprintf(stderr, "qxsim: bad --accel\n"), false;
            sim.SetAcceleration(factor);
        } else if (arg == "--turnaround") {
            const char* ms = value();
            if (!ms || std::atoi(ms) < 0)
                return std::fprintf(stderr, "qxsim: bad --turnaround\n"), false;
            sim.SetPacing(true, std::atoi(ms));
        } else {
            std::fprintf(stderr, "qxsim: unknown option '%s' (see --help)\n", arg.c_str());
            return false;
        }
    }
    if (!anyModule) sim.AddModule(qx::sim::ModuleSettings{});
    return true;
}

// Serves control commands from standard input until "quit" or a terminating signal. End of
// input (a program started in the background) does not stop the simulator.
void ServeControl(qx::sim::Simulator& sim, int sigFd) {
    std::string pending;
    bool stdinOpen = true;
    for (;;) {
        pollfd fds[2] = {{sigFd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (::poll(fds, stdinOpen ? 2 : 1, -1) < 0) continue;
        if (fds[0].revents & POLLIN) return;
        if (!(fds[1].revents & (POLLIN | POLLHUP))) continue;
        char buf[512];
        ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            stdinOpen = false;
            continue;
        }
        pending.append(buf, static_cast<std::size_t>(n));
        for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (line == "quit") return;
            std::printf("%s\n", qx::sim::ExecuteControl(sim, line).c_str());
            std::fflush(stdout);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (AnswersAndEnds(argc, argv)) return 0;
    // The trace file outlives the simulator, whose serving thread writes to it.
    TraceFile trace;
    qx::sim::Simulator sim;
    if (!ParseArgs(argc, argv, sim, trace)) return 2;
    trace.Attach(sim.Record());
    // Signals are taken through a descriptor, so the serving thread never sees them.
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &mask, nullptr);
    signal(SIGPIPE, SIG_IGN);
    const int sigFd = signalfd(-1, &mask, SFD_CLOEXEC);
    std::string error;
    if (sigFd < 0 || !sim.Start(&error)) {
        std::fprintf(stderr, "qxsim: cannot start: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", sim.SlavePath().c_str());
    std::fflush(stdout);
    ServeControl(sim, sigFd);
    sim.Stop();
    return 0;
}
