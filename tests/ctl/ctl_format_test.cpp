// meridoctl's command line, its value lines and its list of serial devices.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "ctl/core/ctl_options.h"
#include "ctl/core/live_value.h"
#include "ctl/core/serial_ports.h"
#include "tests/support/temp_dir.h"

namespace qx::ctl {
namespace {

TEST(CtlOptions, ReadsCommandsOptionsAndTheirErrors) {
    struct Case {
        std::vector<std::string> args;
        std::string error;  // empty: parsed
    };
    const Case cases[] = {
        {{"--port", "COM2", "schedule", "send", "R.QX", "--baud=19200", "--csum", "on"}, ""},
        {{"watch", "--addr", "254", "--count", "5", "--duration", "1.5", "--json"}, ""},
        {{"identify", "--addr", "-1"}, "invalid value '-1' for --addr"},
        {{"identify", "--baud", "14400"}, "invalid value '14400' for --baud"},
        {{"identify", "--csum", "maybe"}, "invalid value 'maybe' for --csum"},
        {{"watch", "--count", "0"}, "invalid value '0' for --count"},
        {{"watch", "--duration"}, "--duration needs a value"},
        {{"watch", "--format", "xml"}, "invalid value 'xml' for --format"},
        {{"identify", "-x"}, "unknown option '-x'"},
        {{"dump"}, "unknown command 'dump'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
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

TEST(SerialPorts, ListsDevicesWithHardwareBehindThem) {
    namespace fs = std::filesystem;
    test::TempDir dir;
    const fs::path sys = dir.File("sys");
    const fs::path usb = sys / "devices/usb1/1-1";
    fs::create_directories(usb / "1-1:1.0/ttyUSB0");
    for (const auto& [name, text] : {std::pair{"idVendor", "0403"},
                                     {"idProduct", "6001"},
                                     {"manufacturer", "FTDI"},
                                     {"product", "FT232R USB UART"},
                                     {"serial", "A123"}})
        dir.Write("sys/devices/usb1/1-1/" + std::string(name), std::string(text) + "\n");
    fs::create_directories(sys / "class/tty/ttyUSB0");
    fs::create_directory_symlink(usb / "1-1:1.0/ttyUSB0", sys / "class/tty/ttyUSB0/device");
    // An on-board UART that is there, one the kernel only reserves, and a virtual terminal.
    for (const auto& [tty, type] : {std::pair{"ttyS0", "4"}, {"ttyS1", "0"}}) {
        fs::create_directories(sys / "devices/platform/serial8250" / tty);
        fs::create_directories(sys / "class/tty" / tty);
        fs::create_directory_symlink(sys / "devices/platform/serial8250" / tty,
                                     sys / "class/tty" / tty / "device");
        dir.Write(std::string("sys/class/tty/") + tty + "/type", std::string(type) + "\n");
    }
    fs::create_directories(sys / "class/tty/tty0");

    const auto ports = ListSerialPorts(sys.string(), "/dev");
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].device, "/dev/ttyS0");
    EXPECT_EQ(ports[1].device, "/dev/ttyUSB0");
    EXPECT_EQ(ports[1].description, "FT232R USB UART");
    EXPECT_EQ(ports[1].manufacturer, "FTDI");
    EXPECT_EQ(ports[1].vendorId + ":" + ports[1].productId, "0403:6001");
    EXPECT_EQ(ports[1].serialNumber, "A123");
}

}  // namespace
}  // namespace qx::ctl
