// The Setup page's pure rules: reading the typed address and probing the COM ports with the
// saved index correction; and what the command line decides before a window exists.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <set>

#include "app/core/command_line.h"
#include "app/core/port_probe.h"
#include "common/core/address_text.h"
#include "tests/support/temp_dir.h"

namespace qx {
namespace {

TEST(ReadAddress, GoldenTable) {
    struct Case {
        const char* text;
        int value;
        bool replaced;
        const char* shown;
    };
    const Case cases[] = {
        {"10", 10, false, "10"},
        {"0", 0, false, "0"},
        {"254", 254, false, "254"},
        {"255", 254, true, "254"},
        {"300", 254, true, "254"},
        {"999", 254, true, "254"},
        {"-5", 0, true, "0"},
        {"-1", 0, true, "0"},
        {"x", 0, false, "x"},
        {"", 0, false, ""},
        {"1x", 0, false, "1x"},
        {" 7", 7, false, " 7"},
        {"+12", 12, false, "+12"},
        {"-", 0, false, "-"},
        {"007", 7, false, "007"},
        {"99999999999999999999", 254, true, "254"},
        {"-99999999999999999999", 0, true, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const AddressInput input = ReadAddress(c.text);
        EXPECT_EQ(input.value, c.value);
        EXPECT_EQ(input.replaced, c.replaced);
        EXPECT_EQ(input.text, c.shown);
    }
}

TEST(ProbePorts, TriesFromComFourDownAndCorrectsTheSavedIndex) {
    struct Case {
        int saved;
        std::set<int> present;
        std::vector<int> usable;
        int savedAfter;
    };
    const Case cases[] = {
        {1, {0, 2}, {0, 2}, 0},  // COM1 and COM3: COM2 (index 1) goes, index 1 -> 0
        {3, {0}, {0}, 0},        // only COM1: 3, 2, 1, 0
        {0, {0, 1, 2, 3}, {0, 1, 2, 3}, 0},
        {2, {1, 2}, {1, 2}, 1},   // COM1 missing below the saved COM3
        {1, {2, 3}, {2, 3}, -1},  // everything at and below the index gone
        {0, {}, {}, -1},          // ports above the index do not move it
        {3, {3}, {3}, 0},
    };
    for (const Case& c : cases) {
        std::vector<int> tried;
        const ProbeOutcome outcome = ProbePorts(c.saved, [&](int port) {
            tried.push_back(port);
            return c.present.count(port) > 0 ? OpenError::None : OpenError::NotFound;
        });
        EXPECT_EQ(tried, (std::vector<int>{3, 2, 1, 0}));
        EXPECT_EQ(outcome.usablePorts, c.usable);
        EXPECT_EQ(outcome.savedIndex, c.savedAfter) << "saved " << c.saved;
        EXPECT_EQ(outcome.usablePorts.size() + outcome.refused.size(), 4u);
    }
}

TEST(ProbePorts, EveryRefusedPortIsNamedWithItsReason) {
    const ProbeOutcome outcome = ProbePorts(0, [](int port) {
        const OpenError why[] = {OpenError::NotFound, OpenError::Busy, OpenError::Permission,
                                 OpenError::Other};
        return why[port];
    });
    // COM2's device is held by this test, which the text names while it holds it.
    test::TempDir dir;
    const std::string held = dir.Write("ttyUSB1", "");
    auto path = [&](int port) { return port == 1 ? held : "/dev/x" + std::to_string(port); };
    auto expected = [&](const std::string& holder) {
        return "COM1 (/dev/x0): zařízení neexistuje (adaptér není připojen).\n"
               "COM2 (" +
               held + "): port používá jiný program" + holder +
               ".\n"
               "COM3 (/dev/x2): přístup odepřen: přidejte uživatele do skupiny dialout "
               "(sudo usermod -aG dialout $USER) a znovu se přihlaste.\n"
               "COM4 (/dev/x3): port nelze otevřít ani nastavit.";
    };
    const int fd = ::open(held.c_str(), O_RDONLY);
    std::string self;
    std::getline(std::ifstream("/proc/self/comm"), self);
    EXPECT_EQ(RefusedPortsText(outcome.refused, path),
              expected(" (PID " + std::to_string(::getpid()) + ", " + self + ")"));
    ::close(fd);
    EXPECT_EQ(RefusedPortsText(outcome.refused, path), expected(""));
}

TEST(ReadCommandLine, AnswersEndsOrLeavesQtOptionsToQt) {
    struct Case {
        std::vector<std::string_view> args;
        bool run;
        int exitCode;
        const char* outStart;  // what standard output begins with
        const char* err;       // what standard error contains
    };
    const Case cases[] = {
        {{}, true, 0, "", ""},
        {{"--version"}, false, 0, "merido 1.", ""},
        {{"-v"}, false, 0, "merido 1.", ""},
        {{"--help"}, false, 0, "Usage: merido", ""},
        {{"-style", "Fusion", "-h"}, false, 0, "Usage: merido", ""},
        // Qt's options with their values, with one dash or two, and in the "=" form.
        {{"-platform", "offscreen", "--style", "Fusion", "-reverse"}, true, 0, "", ""},
        {{"-stylesheet=a.qss", "--display", ":1", "-qmljsdebugger=port:1234"}, true, 0, "", ""},
        // The value of a Qt option is not read as an option of ours.
        {{"-qwindowtitle", "--version"}, true, 0, "", ""},
        {{"--bogus"}, false, 2, "", "merido: unknown option '--bogus'\nTry 'merido --help'"},
        {{"-"}, false, 2, "", "unexpected argument '-'"},
        {{"data.PRN"}, false, 2, "", "unexpected argument 'data.PRN'"},
        {{"--"}, false, 2, "", "unknown option '--'"},
        {{"-platform"}, false, 2, "", "option '-platform' needs a value"},
        {{"--bogus", "--version"}, false, 2, "", "unknown option"},
    };
    for (const Case& c : cases) {
        const CommandLineOutcome outcome = ReadCommandLine(c.args);
        SCOPED_TRACE(c.args.empty() ? std::string_view("(none)") : c.args.front());
        EXPECT_EQ(outcome.run, c.run);
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        EXPECT_TRUE(outcome.out.starts_with(c.outStart)) << outcome.out;
        EXPECT_NE(outcome.err.find(c.err), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.out.empty(), *c.outStart == '\0');
        EXPECT_EQ(outcome.err.empty(), *c.err == '\0');
    }
}

}  // namespace
}  // namespace qx
