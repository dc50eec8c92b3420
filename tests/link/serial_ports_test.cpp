// The serial devices offered for mapping, from a made-up /dev and /sys: stable names first with
// the USB device's description, then the kernel's names in number order, built-in ports only
// where there is one, and a by-id link of a device that has gone left out.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/core/serial_ports.h"
#include "tests/support/temp_dir.h"

namespace qx::test {
namespace {

namespace fs = std::filesystem;

TEST(SerialPorts, StableNamesFirstThenKernelNamesWithDescriptions) {
    TempDir dir;
    const fs::path root = fs::path(dir.File("x")).parent_path();
    auto touch = [&](const fs::path& file, const std::string& text = {}) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
    };
    for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "tty0"})
        touch(root / "dev" / name);
    fs::create_directories(root / "dev/serial/by-id");
    fs::create_symlink("../../ttyUSB2", root / "dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
    fs::create_symlink("../../ttyUSB7", root / "dev/serial/by-id/usb-gone-if00");
    // ttyUSB2 sits on a USB device with all its strings, ttyACM0 on one without a serial number.
    const fs::path usb = root / "sys/devices/pci0/usb1/1-1";
    for (auto [file, text] : std::initializer_list<std::pair<const char*, const char*>>{
             {"idVendor", "0403\n"},
             {"idProduct", "6001\n"},
             {"manufacturer", "FTDI\n"},
             {"product", "FT232R USB UART\n"},
             {"serial", "A1\n"}})
        touch(usb / file, text);
    fs::create_directories(usb / "1-1:1.0/ttyUSB2");
    const fs::path acm = root / "sys/devices/pci0/usb1/1-2";
    touch(acm / "idVendor", "2341\n");
    touch(acm / "idProduct", "0043\n");
    fs::create_directories(acm / "1-2:1.0/tty/ttyACM0");
    fs::create_directories(root / "sys/class/tty/ttyUSB2");
    fs::create_directories(root / "sys/class/tty/ttyACM0");
    fs::create_symlink(usb / "1-1:1.0/ttyUSB2", root / "sys/class/tty/ttyUSB2/device");
    fs::create_symlink(acm / "1-2:1.0", root / "sys/class/tty/ttyACM0/device");

    const auto ports = ListSerialPorts(root.string(), [&](const std::string& path) {
        return path == (root / "dev/ttyS1").string();
    });
    const std::string ftdi = "FTDI FT232R USB UART, SN A1, 0403:6001";
    const std::vector<SerialPortEntry> expected{
        {"/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0", ftdi},
        {"/dev/ttyUSB2", ftdi},
        {"/dev/ttyUSB10", ""},
        {"/dev/ttyACM0", "2341:0043"},
        {"/dev/ttyS1", ""}};
    EXPECT_EQ(ports, expected);
    EXPECT_TRUE(ListSerialPorts((root / "nothing").string()).empty());
    // The by-id link leads to the device behind it.
    EXPECT_EQ(DeviceBehind((root / "dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0").string()),
              fs::canonical(root / "dev/ttyUSB2").string());
    EXPECT_EQ(DeviceBehind("/nothing/ttyUSB9"), "/nothing/ttyUSB9");
}

// The first start's COM1..COM4 from the devices present, in the listing's order: one port per
// device whatever its names, the rest on the defaults, no default twice.
TEST(SerialPorts, FirstStartMapsThePresentDevicesOnce) {
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0";
    auto deviceOf = [&](const std::string& path) {
        return path == byId ? std::string("/dev/ttyUSB2") : path;
    };
    using Paths = std::array<std::string, 4>;
    const struct {
        std::vector<std::string> present;
        Paths paths;
        int found;
    } cases[] = {
        {{}, {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"}, 0},
        // The adapter of the issue: first, before the built-in port that nothing answers on.
        {{byId, "/dev/ttyUSB2", "/dev/ttyS0"}, {byId, "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS3"}, 2},
        {{"/dev/ttyUSB0", "/dev/ttyS3"},
         {"/dev/ttyUSB0", "/dev/ttyS3", "/dev/ttyS2", "/dev/ttyS0"},
         2},
        {{"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS1"},
         {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyS0"},
         4},
    };
    for (const auto& c : cases) {
        std::vector<SerialPortEntry> present;
        for (const std::string& path : c.present)
            present.push_back({path, ""});
        const FirstPortMap map = FirstStartPortMap(present, deviceOf);
        EXPECT_EQ(map.paths, c.paths) << c.present.size() << " present";
        EXPECT_EQ(map.found, c.found) << c.present.size() << " present";
    }
}

}  // namespace
}  // namespace qx::test
