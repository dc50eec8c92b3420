#include "ctl/core/serial_ports.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace qx::ctl {
namespace {

namespace fs = std::filesystem;

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
        line.pop_back();
    return line;
}

// The USB device above the tty's device, where the descriptors are.
void ReadUsb(const fs::path& device, SerialPortInfo& info) {
    std::error_code ec;
    fs::path p = fs::canonical(device, ec);
    for (int up = 0; up < 6 && !ec && !p.empty(); ++up, p = p.parent_path()) {
        if (!fs::exists(p / "idVendor", ec)) continue;
        info.vendorId = FirstLine(p / "idVendor");
        info.productId = FirstLine(p / "idProduct");
        info.manufacturer = FirstLine(p / "manufacturer");
        info.serialNumber = FirstLine(p / "serial");
        const std::string product = FirstLine(p / "product");
        if (!product.empty()) info.description = product;
        return;
    }
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysRoot,
                                            const std::string& devRoot) {
    std::vector<SerialPortInfo> ports;
    std::error_code ec;
    for (const fs::directory_entry& tty :
         fs::directory_iterator(fs::path(sysRoot) / "class/tty", ec)) {
        const fs::path device = tty.path() / "device";
        if (!fs::exists(device, ec)) continue;  // a virtual terminal, a pty
        const fs::path typeFile = tty.path() / "type";
        if (fs::exists(typeFile, ec) && FirstLine(typeFile) == "0") continue;
        SerialPortInfo info;
        info.device = (fs::path(devRoot) / tty.path().filename()).string();
        info.description = fs::read_symlink(device / "driver", ec).filename().string();
        ReadUsb(device, info);
        ports.push_back(info);
    }
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortInfo& a, const SerialPortInfo& b) { return a.device < b.device; });
    return ports;
}

}  // namespace qx::ctl
