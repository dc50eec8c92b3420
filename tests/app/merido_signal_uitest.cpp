// The real program ended by SIGTERM, as a logout or a shutdown ends it: it closes through its
// close path, so the schedule file is written and the changed settings are saved.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSettings>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "sim/simulator.h"
#include "tests/support/temp_dir.h"

namespace qx::test {
namespace {

// The child's exit status, or -1 while it runs after `timeout`.
int WaitExit(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(MeridoProcess, SigtermRunsTheClosePath) {
    sim::Simulator simulator;
    sim::ModuleSettings module;
    module.address = 10;
    module.baudCode = 6;  // 9600 Bd
    simulator.AddModule(module);
    std::string error;
    ASSERT_TRUE(simulator.Start(&error)) << error;

    test::TempDir dir;
    std::filesystem::create_directories(dir.File("config/Arbena"));
    const std::string settings = dir.File("config/Arbena/Sonvik.conf");
    // COM1 leads to the module, the other ports nowhere; "Port" is stored as COM2.
    std::ofstream(settings) << "[1.0]\nPorts\\COM1=" << simulator.SlavePath()
                            << "\nPorts\\COM2=" << dir.File("none")
                            << "\nPorts\\COM3=" << dir.File("none")
                            << "\nPorts\\COM4=" << dir.File("none")
                            << "\nSetup\\Port=1\nSetup\\Baud=3\nSetup\\Address=10\n";

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::chdir(dir.File("").c_str()) != 0) ::_exit(126);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
        ::execl(MERIDO_PATH, "merido", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Running: the module is polled for its value.
    const bool polled = simulator.Record().WaitRequests(8, std::chrono::seconds(20));
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    const int status = WaitExit(pid, std::chrono::seconds(20));
    if (status < 0) ::kill(pid, SIGKILL), ::waitpid(pid, nullptr, 0);
    ASSERT_TRUE(polled);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.File("ROZVRH.QX")));
    // COM2 was removed by the probing and COM1 used: that is what the close saves.
    QSettings stored(QString::fromStdString(settings), QSettings::IniFormat);
    EXPECT_EQ(stored.value(QStringLiteral("1.0/Setup/Port")).toInt(), 0);
    simulator.Stop();
}

}  // namespace
}  // namespace qx::test
