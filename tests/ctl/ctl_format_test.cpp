// meridoctl's command line and its value lines.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ctl/core/ctl_options.h"
#include "ctl/core/ctl_run.h"
#include "ctl/core/live_value.h"
#include "tests/support/temp_dir.h"

namespace qx::ctl {
namespace {

TEST(CtlOptions, ReadsCommandsOptionsAndTheirErrors) {
    struct Case {
        std::vector<std::string> args;
        std::string error;  // empty: parsed
    };
    const Case cases[] = {
        {{"--port", "COM2", "schedule", "send", "R.QX", "--baud=19200", "--csum", "Yes"}, ""},
        {{"watch", "--addr", "254", "--count", "5", "--duration", "1.5", "--json"}, ""},
        {{"identify", "--addr", "-1"},
         "invalid value '-1' for --addr: '-1' is not an address 0..254 or a range such as 20-23"},
        {{"identify", "--addr", "0xFF"},
         "invalid value '0xFF' for --addr: '0xFF' is not an address 0..254 or a range such as "
         "20-23"},
        {{"identify", "--addr", "0x"},
         "invalid value '0x' for --addr: '0x' is not an address 0..254 or a range such as 20-23"},
        {{"identify", "--new-addr", "0x0g"}, "invalid value '0x0g' for --new-addr"},
        {{"identify", "--addr", "0x0A"}, ""},
        {{"watch", "--addr", "0x0a-0X0C,13"}, ""},
        {{"identify", "--baud", "14400"}, "invalid value '14400' for --baud"},
        {{"identify", "--csum", "true"},
         "invalid value 'true' for --csum: use on, off, 1, 0, yes or no"},
        {{"reconfigure", "--new-csum", "2"},
         "invalid value '2' for --new-csum: use on, off, 1, 0, yes or no"},
        {{"identify", "--port", "com5"}, "com5 is not a port name: use COM1–COM4 or a device path"},
        {{"identify", "--port", "COM12"},
         "COM12 is not a port name: use COM1–COM4 or a device path"},
        {{"watch", "--count", "0"}, "invalid value '0' for --count"},
        {{"watch", "--duration"}, "--duration needs a value"},
        {{"watch", "--format", "xml"}, "invalid value 'xml' for --format"},
        {{"identify", "-x"}, "unknown option '-x'"},
        {{"dump"}, "unknown command 'dump'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(ParseCommandLine(c.args).error, c.error);
    }
    const CtlOptions a = ParseCommandLine(cases[0].args).options;
    EXPECT_EQ(a.command, "schedule");
    EXPECT_EQ(a.sub, "send");
    EXPECT_EQ(a.files, std::vector<std::string>{"R.QX"});
    EXPECT_EQ(a.port, "COM2");
    EXPECT_EQ(a.baudCode, 7);
    EXPECT_EQ(a.checksum, true);
    const CtlOptions b = ParseCommandLine(cases[1].args).options;
    EXPECT_EQ(b.address, 254);
    EXPECT_EQ(b.count, 5);
    EXPECT_EQ(b.duration, 1.5);
    EXPECT_EQ(b.format, "json");
    EXPECT_EQ(ParseCommandLine(cases[6].args).options.address, 10);
    EXPECT_EQ(ParseCommandLine(cases[7].args).options.addresses,
              (std::vector<int>{10, 11, 12, 13}));
}

TEST(LiveValue, TextCsvAndJsonOfAValue) {
    StationRecord s;
    s.state = 2;
    s.moduleModel = 1520;
    s.instrumentModel = 1520;
    s.config = 0x10;  // voltage, the first range
    s.value = -230.4;
    s.sign = 2;
    LiveValue v{7, std::chrono::system_clock::now(), 3, s};
    const std::string time = IsoTime(v.at);
    EXPECT_EQ(time.size(), 29u);
    EXPECT_EQ(LiveValueText(v), time + "  3  -230  V");
    EXPECT_EQ(LiveValueCsv(v), "7," + time + ",3,QX520,WZ520,voltage,V,1000,-230.4,0");
    EXPECT_EQ(LiveValueJson(v), "{\"seq\":7,\"time\":\"" + time +
                                    "\",\"address\":3,\"module\":\"QX520\",\"instrument\":"
                                    "\"WZ520\",\"quantity\":\"voltage\",\"unit\":\"V\","
                                    "\"range\":\"1000\",\"config\":16,\"value\":-230.4,"
                                    "\"limit\":0}");
    v.station.value = kNoValue;
    v.station.config = -1;
    v.station.state = 1;
    EXPECT_EQ(LiveValueJson(v), "{\"seq\":7,\"time\":\"" + time +
                                    "\",\"address\":3,\"module\":\"QX520\",\"instrument\":"
                                    "\"WZ???\",\"quantity\":null,\"unit\":null,\"range\":null,"
                                    "\"config\":null,\"value\":null,\"limit\":null}");
    EXPECT_EQ(JsonString("a\"b\\c\x01"), "\"a\\\"b\\\\c\\u0001\"");
}

// The devices as the window's port mapping lists them, after where COM1..COM4 lead.
TEST(CtlPorts, ListsTheComMapThenTheDevicesPresent) {
    test::TempDir dir;
    const std::string root = dir.File("root");
    std::filesystem::create_directories(root + "/dev");
    std::ofstream(root + "/dev/ttyACM0").put('\n');
    std::ostringstream out, err;
    CtlEnvironment env;
    env.root = root;
    env.saved.comPaths = {"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2"};
    env.out = &out;
    env.err = &err;
    EXPECT_EQ(RunCtl({"ports"}, env), 0);
    EXPECT_EQ(out.str(),
              "COM1  /dev/ttyACM0\nCOM2  /dev/ttyUSB0  (missing)\nCOM3  /dev/ttyUSB1  (missing)\n"
              "COM4  /dev/ttyUSB2  (missing)\n/dev/ttyACM0\n");

    // Devices an ordinary user may not open, as udev leaves them: one for the dialout group,
    // one for root alone. Root opens anything, so the listing runs in a child as nobody.
    const group* dialout = ::getgrnam("dialout");
    if (::geteuid() != 0 || !dialout) GTEST_SKIP() << "needs root and a dialout group";
    std::ofstream(root + "/dev/ttyUSB0").put('\n');
    ASSERT_EQ(::chown((root + "/dev/ttyACM0").c_str(), 0, dialout->gr_gid), 0);
    ::chmod((root + "/dev/ttyACM0").c_str(), 0660);
    ::chmod((root + "/dev/ttyUSB0").c_str(), 0600);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(1);
        out.str("");
        RunCtl({"ports"}, env);
        const std::string text = out.str();
        ::_exit(::write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size())
                    ? 0
                    : 1);
    }
    ::close(fds[1]);
    std::string seen;
    char buffer[256];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        seen.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(seen,
              "COM1  /dev/ttyACM0  (no permission: join the dialout group)\n"
              "COM2  /dev/ttyUSB0  (no permission)\nCOM3  /dev/ttyUSB1  (missing)\n"
              "COM4  /dev/ttyUSB2  (missing)\n/dev/ttyUSB0  (no permission)\n"
              "/dev/ttyACM0  (no permission: join the dialout group)\n");
}

}  // namespace
}  // namespace qx::ctl
