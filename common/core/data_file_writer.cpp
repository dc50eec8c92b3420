#include "common/core/data_file_writer.h"

#include <sys/stat.h>

#include "common/core/regular_file.h"

namespace qx {

DataFileWriter::~DataFileWriter() {
    Close();
}

bool DataFileWriter::Create(const std::string& path) {
    Close();
    failed_ = false;
    file_ = OpenRegularFile(path, FileAccess::Write);
    return file_ != nullptr;
}

bool DataFileWriter::Write(std::string_view line) {
    if (file_ == nullptr || failed_) return false;
    const bool written =
        std::fwrite(line.data(), 1, line.size(), file_) == line.size() && std::fflush(file_) == 0;
    struct stat info {};
    const bool removed = ::fstat(fileno(file_), &info) == 0 && info.st_nlink == 0;
    failed_ = !written || removed;
    return !failed_;
}

void DataFileWriter::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

}  // namespace qx
