#pragma once
// The record toggle a download leaves for the next one, kept between runs of meridoctl as the
// window keeps it between two clicks: after a download that ended on a failed request, the next
// one from the same module asks again for the record whose reply was lost.

#include <filesystem>
#include <string>

namespace qx::ctl {

// 0 or 1 for the module at `address` behind `device`; 0 when nothing was left.
int LoadResumeToggle(const std::filesystem::path& stateDir, const std::string& device, int address);
// Keeps `toggle` for the next download (0 forgets the entry). False when it cannot be written.
bool SaveResumeToggle(const std::filesystem::path& stateDir, const std::string& device, int address,
                      int toggle);

}  // namespace qx::ctl
