// The real meridoctl program: its exit codes, its settings taken from merido's settings file,
// and Ctrl+C during a recording, which keeps every line written as a valid data line.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/core/data_line.h"
#include "sim/simulator.h"
#include "tests/support/temp_dir.h"

namespace qx::test {
namespace {

using Clock = std::chrono::steady_clock;

// The child's exit status, or -1 while it runs after `timeout` (it is killed then).
int WaitExit(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class CtlProcess : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::ModuleSettings module;
        module.address = 12;
        module.baudCode = 7;  // 19200 Bd
        sim_.AddModule(module);
        std::string error;
        ASSERT_TRUE(sim_.Start(&error)) << error;
        // merido's settings: COM3 leads to the module; the Setup page saved COM3, 19200 Bd
        // (item 4) and address 12.
        std::filesystem::create_directories(dir_.File("config/Arbena"));
        std::ofstream(dir_.File("config/Arbena/Sonvik.conf"))
            << "[1.0]\nPorts\\COM1=" << dir_.File("none") << "\nPorts\\COM3=" << sim_.SlavePath()
            << "\nSetup\\Port=2\nSetup\\Baud=4\nSetup\\Address=12\n";
    }

    pid_t Spawn(const std::vector<std::string>& args) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("XDG_CONFIG_HOME", dir_.File("config").c_str(), 1);
            ::setenv("XDG_STATE_HOME", dir_.File("state").c_str(), 1);
            const std::string out = dir_.File("out.txt");
            if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen("/dev/null", "w", stderr))
                ::_exit(126);
            std::vector<char*> argv{const_cast<char*>("meridoctl")};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(MERIDOCTL_PATH, argv.data());
            ::_exit(127);
        }
        return pid;
    }
    int Run(const std::vector<std::string>& args) {
        return WaitExit(Spawn(args), std::chrono::seconds(30));
    }

    sim::Simulator sim_;
    TempDir dir_;
};

TEST_F(CtlProcess, ExitCodesAndTheWindowsSettings) {
    struct Case {
        std::vector<std::string> args;
        int exit;
    };
    const Case cases[] = {
        {{"identify"}, 0},  // COM3, 19200 Bd, address 12 from the settings
        {{"identify", "--port", "COM1"}, 3},
        {{"identify", "--baud", "9600", "--timeout", "0.5"}, 1},
        {{"identify", "--baud", "9601"}, 2},
        {{"frobnicate"}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(Run(c.args), c.exit);
    }
}

TEST_F(CtlProcess, CtrlCEndsARecordingWithEveryLineWhole) {
    const std::string file = dir_.File("rec.PRN");
    const pid_t pid = Spawn({"record", file});
    // Ctrl+C once three lines are on the disk (meridoctl polls back to back, but writes one
    // line per address and tenth of a second).
    const auto lineCount = [&] {
        const std::string text = TempDir::Read(file);
        return std::count(text.begin(), text.end(), '\n');
    };
    const auto end = Clock::now() + std::chrono::seconds(20);
    while (lineCount() < 3 && Clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const bool recorded = lineCount() >= 3;
    ::kill(pid, SIGINT);
    EXPECT_EQ(WaitExit(pid, std::chrono::seconds(20)), 0);
    ASSERT_TRUE(recorded);
    std::istringstream lines(TempDir::Read(file));
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\r');
        DataLineFields fields;
        std::string read = line;
        std::replace(read.begin(), read.end(), ',', '.');  // as the reader reads it
        EXPECT_EQ(ParseDataLine(read, fields), 11) << line;
        EXPECT_EQ(fields.address, 12);
        ++count;
    }
    EXPECT_GE(count, 2);
    EXPECT_EQ(TempDir::Read(dir_.File("out.txt")),
              std::to_string(count) + " lines written to " + file + "\n");
}

}  // namespace
}  // namespace qx::test
