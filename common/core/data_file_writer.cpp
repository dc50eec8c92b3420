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

bool DataFileWriter::Append(const std::string& path) {
    Close();
    failed_ = false;
    bool endsMidLine = false;
    if (std::FILE* in = OpenRegularFile(path, FileAccess::Read)) {
        endsMidLine = std::fseek(in, -1, SEEK_END) == 0 && std::fgetc(in) != '\n';
        std::fclose(in);
    }
    file_ = OpenRegularFile(path, FileAccess::Append);
    if (file_ != nullptr && endsMidLine && !Write("\r\n")) Close();
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

std::string OverwriteQuestionText(std::string_view fileName) {
    return "Soubor  " + std::string(fileName) + "  již existuje. Mám jej přepsat ?";
}

}  // namespace qx
