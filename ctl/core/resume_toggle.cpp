#include "ctl/core/resume_toggle.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace qx::ctl {
namespace {

constexpr const char* kFileName = "download-toggles";

struct Entry {
    std::string device;
    int address = 0;
    int toggle = 0;
};

// One entry a line: device TAB address TAB toggle.
std::vector<Entry> ReadEntries(const std::filesystem::path& file) {
    std::vector<Entry> entries;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Entry e;
        std::string address, toggle;
        if (std::getline(fields, e.device, '\t') && std::getline(fields, address, '\t') &&
            std::getline(fields, toggle)) {
            e.address = std::atoi(address.c_str());
            e.toggle = std::atoi(toggle.c_str()) & 1;
            entries.push_back(e);
        }
    }
    return entries;
}

}  // namespace

int LoadResumeToggle(const std::filesystem::path& stateDir, const std::string& device,
                     int address) {
    if (stateDir.empty()) return 0;
    for (const Entry& e : ReadEntries(stateDir / kFileName))
        if (e.device == device && e.address == address) return e.toggle;
    return 0;
}

bool SaveResumeToggle(const std::filesystem::path& stateDir, const std::string& device, int address,
                      int toggle) {
    if (stateDir.empty()) return false;
    const std::filesystem::path file = stateDir / kFileName;
    std::vector<Entry> entries = ReadEntries(file);
    std::erase_if(entries,
                  [&](const Entry& e) { return e.device == device && e.address == address; });
    if (toggle & 1) entries.push_back({device, address, 1});
    std::error_code ec;
    std::filesystem::create_directories(stateDir, ec);
    const std::filesystem::path temp = stateDir / (std::string(kFileName) + ".tmp");
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const Entry& e : entries)
            out << e.device << '\t' << e.address << '\t' << e.toggle << '\n';
        if (!out.flush()) return false;
    }
    std::filesystem::rename(temp, file, ec);
    return !ec;
}

}  // namespace qx::ctl
