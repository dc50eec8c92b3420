#pragma once
// The request log "ROZVRH.LOG" of a schedule send: created anew for every send, one line per
// request written before the request goes out, an empty line at the end. ASCII, CR LF.

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace qx {

constexpr const char* kShedLogName = "ROZVRH.LOG";

class TShedLog {
  public:
    TShedLog() = default;
    ~TShedLog() { Close(); }
    TShedLog(const TShedLog&) = delete;
    TShedLog& operator=(const TShedLog&) = delete;

    // Creates dir/ROZVRH.LOG, replacing an older one. False when it cannot be created; the
    // log then swallows its lines.
    bool Create(const std::filesystem::path& dir);
    // Each line reaches the disk before the request it names goes on the bus.
    void Line(std::string_view text);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

  private:
    std::FILE* file_ = nullptr;
};

}  // namespace qx
