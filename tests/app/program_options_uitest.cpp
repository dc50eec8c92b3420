// The installed programs asked for their version or given a wrong option where no display
// exists (a package check, ssh, a script): they answer on the terminal and end, never reaching
// for a window system.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

namespace qx::test {
namespace {

struct ProgramRun {
    int status = -1;  // exit status, 128 + signal for a killed program
    std::string out, err;
};

// Runs `program` with `args` without DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM.
ProgramRun RunWithoutDisplay(const char* program, const std::vector<std::string>& args,
                             const TempDir& dir) {
    const std::string out = dir.File("out"), err = dir.File("err");
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            ::unsetenv(name);
        if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr))
            ::_exit(126);
        std::vector<char*> argv{const_cast<char*>(program)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program, argv.data());
        ::_exit(127);
    }
    ProgramRun run;
    if (pid < 0) return run;
    // A program that wrongly opened a window would wait for events: it is ended after a while.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = TempDir::Read(out);
    run.err = TempDir::Read(err);
    return run;
}

TEST(ProgramOptions, AnsweredWithoutADisplay) {
    TempDir dir;
    const std::string trace = dir.File("trace.txt");
    struct Case {
        const char* program;
        std::vector<std::string> args;
        int status;
        std::string outStart;
        const char* err;  // contained in standard error
    };
    const Case cases[] = {
        {MERIDO_PATH, {"--version"}, 0, "merido " MERIDO_VERSION "\n", ""},
        {MERIDO_PATH, {"-platform", "xcb", "--help"}, 0, "Usage: merido", ""},
        {MERIDO_PATH, {"--bogus"}, 2, "", "merido: unknown option '--bogus'"},
        {QXSIM_PATH, {"--version"}, 0, "qxsim " MERIDO_VERSION "\n", ""},
        // --help comes first: the trace file named before it is not created.
        {QXSIM_PATH, {"--trace", trace, "--help"}, 0, "Usage: qxsim", ""},
        {QXSIM_PATH, {"--bogus"}, 2, "", "qxsim: unknown option '--bogus'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + c.args.back());
        const ProgramRun run = RunWithoutDisplay(c.program, c.args, dir);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_TRUE(run.out.starts_with(c.outStart)) << run.out;
        EXPECT_EQ(run.out.empty(), c.outStart.empty());
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(trace));
}

}  // namespace
}  // namespace qx::test
