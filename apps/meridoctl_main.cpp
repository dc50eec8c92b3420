// meridoctl: the QX module from scripts and cron, on the same core as the merido window.

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "common/core/address_text.h"
#include "common/settings/settings_store.h"
#include "ctl/core/ctl_run.h"

namespace {

std::atomic<bool> gStop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// The first Ctrl+C or SIGTERM asks the command to stop cleanly; a second one ends the program
// at once, as the default action would.
void OnSignal(int signo) {
    gStop.store(true);
    ::signal(signo, SIG_DFL);
}

void InstallSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    // A closed pipe on standard output is a write error, not the end of a half-written file.
    ::signal(SIGPIPE, SIG_IGN);
}

// The window's saved Setup values and COM map as defaults. Read only: the CLI never changes
// what the window saved.
qx::ctl::SavedSetup LoadSaved() {
    qx::SettingsStore store;
    const qx::SetupValues values = store.LoadSetup();
    qx::ctl::SavedSetup saved;
    saved.comPaths = store.LoadPortPaths();
    saved.port = values.port;
    saved.baudCode = values.baud + 3;
    saved.checksum = values.csum;
    saved.address = qx::ReadAddress(values.address.toStdString()).value;  // as the window reads it
    return saved;
}

std::filesystem::path StateDir() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
        return std::filesystem::path(state) / "merido";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".local/state/merido";
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    InstallSignals();
    qx::ctl::CtlEnvironment env;
    env.saved = LoadSaved();
    env.out = &std::cout;
    env.err = &std::cerr;
    env.errIsTerminal = ::isatty(STDERR_FILENO) == 1;
    env.stop = &gStop;
    env.stateDir = StateDir();
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "meridoctl " << MERIDO_VERSION << std::endl;
        return 0;
    }
    const int code = qx::ctl::RunCtl(args, env);
    std::cout.flush();
    return std::cout.good() ? code : (code == 0 ? 1 : code);
}
