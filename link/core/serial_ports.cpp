#include "link/core/serial_ports.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace qx {
namespace {

namespace fs = std::filesystem;

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

// The USB device above a tty in sysfs: the first folder up the device link that has idVendor.
std::string UsbDescription(const std::string& root, const std::string& ttyName) {
    std::error_code error;
    fs::path dir = fs::canonical(fs::path(root + "/sys/class/tty") / ttyName / "device", error);
    if (error) return {};
    for (int up = 0; up < 6 && !dir.empty() && dir != dir.root_path();
         ++up, dir = dir.parent_path()) {
        if (!fs::exists(dir / "idVendor", error)) continue;
        std::string text = FirstLine(dir / "manufacturer");
        const std::string product = FirstLine(dir / "product");
        if (!product.empty()) text += (text.empty() ? "" : " ") + product;
        if (const std::string serial = FirstLine(dir / "serial"); !serial.empty())
            text += (text.empty() ? "SN " : ", SN ") + serial;
        text += (text.empty() ? "" : ", ") + FirstLine(dir / "idVendor") + ":" +
                FirstLine(dir / "idProduct");
        return text;
    }
    return {};
}

// ttyUSB2 before ttyUSB10.
bool NaturalLess(const std::string& a, const std::string& b) {
    auto split = [](const std::string& s) {
        std::size_t digits = s.size();
        while (digits > 0 && s[digits - 1] >= '0' && s[digits - 1] <= '9')
            --digits;
        const std::string number = s.substr(digits);
        return std::make_pair(s.substr(0, digits),
                              number.empty() || number.size() > 9 ? -1L : std::stol(number));
    };
    return split(a) < split(b);
}

std::vector<std::string> Names(const fs::path& dir, const std::string& prefix) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (prefix.empty() || (name.rfind(prefix, 0) == 0 && name.size() > prefix.size()))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

}  // namespace

bool BuiltInPortPresent(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    serial_struct info{};
    // A port the driver knows nothing of reads as type PORT_UNKNOWN; a driver without the
    // request (a USB or virtual port under a ttyS name) has a port all the same.
    const bool present = ::ioctl(fd, TIOCGSERIAL, &info) != 0 || info.type != PORT_UNKNOWN;
    ::close(fd);
    return present;
}

std::vector<SerialPortEntry> ListSerialPorts(
    const std::string& root, const std::function<bool(const std::string& path)>& present) {
    std::vector<SerialPortEntry> ports;
    const fs::path byId = fs::path(root + "/dev/serial/by-id");
    for (const std::string& name : Names(byId, {})) {
        std::error_code error;
        const fs::path target = fs::canonical(byId / name, error);
        if (error) continue;  // a link left behind by a device that has gone
        ports.push_back(
            {"/dev/serial/by-id/" + name, UsbDescription(root, target.filename().string())});
    }
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        for (const std::string& name : Names(fs::path(root + "/dev"), prefix)) {
            const std::string path = "/dev/" + name;
            if (std::string_view(prefix) == "ttyS" && !present(root + path)) continue;
            ports.push_back({path, UsbDescription(root, name)});
        }
    }
    return ports;
}

std::string DeviceBehind(const std::string& path) {
    std::error_code error;
    const fs::path target = fs::canonical(path, error);
    return error ? path : target.string();
}

FirstPortMap FirstStartPortMap(
    const std::vector<SerialPortEntry>& present,
    const std::function<std::string(const std::string& path)>& deviceOf) {
    FirstPortMap map;
    std::vector<std::string> taken;  // devices, as deviceOf names them
    auto isTaken = [&taken](const std::string& device) {
        return std::find(taken.begin(), taken.end(), device) != taken.end();
    };
    for (const SerialPortEntry& entry : present) {
        if (map.found == static_cast<int>(map.paths.size())) break;
        const std::string device = deviceOf(entry.path);
        if (isTaken(device)) continue;
        taken.push_back(device);
        map.paths[static_cast<std::size_t>(map.found++)] = entry.path;
    }
    for (int port = map.found; port < static_cast<int>(map.paths.size()); ++port) {
        std::string path = DefaultComDevice(port);
        for (int other = 0; isTaken(deviceOf(path)) && other < kComPorts; ++other)
            path = DefaultComDevice(other);
        taken.push_back(deviceOf(path));
        map.paths[static_cast<std::size_t>(port)] = path;
    }
    return map;
}

std::optional<std::string> DeniedAccessGroup(const std::string& path) {
    if (::access(path.c_str(), R_OK | W_OK) == 0 || (errno != EACCES && errno != EPERM))
        return std::nullopt;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    // A group that may not both read and write, or one the process is already in (the file is
    // then kept from it by its owner bits or an ACL), is no way in.
    if ((st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP)) return std::string();
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
    groups.resize(static_cast<std::size_t>(std::max(count, 0)));
    groups.push_back(::getegid());
    if (std::find(groups.begin(), groups.end(), st.st_gid) != groups.end()) return std::string();
    const group* g = ::getgrgid(st.st_gid);
    return g ? std::string(g->gr_name) : std::to_string(st.st_gid);
}

}  // namespace qx
