#include "logger/core/shed_log.h"

#include "common/core/regular_file.h"

namespace qx {

bool TShedLog::Create(const std::filesystem::path& dir) {
    Close();
    file_ = OpenRegularFile((dir / kShedLogName).string(), FileAccess::Write);
    return file_ != nullptr;
}

void TShedLog::Line(std::string_view text) {
    if (file_ == nullptr) return;
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fwrite("\r\n", 1, 2, file_);
    std::fflush(file_);
}

void TShedLog::Close() {
    if (file_ == nullptr) return;
    std::fclose(file_);
    file_ = nullptr;
}

}  // namespace qx
