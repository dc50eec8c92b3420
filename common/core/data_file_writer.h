#pragma once
// Writes data lines to a data file so that each line reaches the disk as it is written: a crash
// or a pulled plug keeps every line that came before. A failed write is remembered, so the
// caller can report it once and stop.

#include <cstdio>
#include <string>
#include <string_view>

namespace qx {

class DataFileWriter {
  public:
    DataFileWriter() = default;
    ~DataFileWriter();
    DataFileWriter(const DataFileWriter&) = delete;
    DataFileWriter& operator=(const DataFileWriter&) = delete;

    // Creates the file or empties an existing one; false when that fails or the path names
    // anything but a regular file (a FIFO, a device, a folder).
    bool Create(const std::string& path);
    // Opens the file to write after its last line, creating it when missing. A last line left
    // without its line end (a writer that died mid-line) gets one first, so that the next line
    // does not run on from it.
    bool Append(const std::string& path);
    // Appends and flushes; false when the line did not reach the file or the file was removed
    // from its folder meanwhile (its lines would be lost at closing). Once failed, stays failed.
    bool Write(std::string_view line);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    bool Failed() const { return failed_; }

  private:
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

// The question asked before a file that exists is replaced (a download, an export, a recording).
std::string OverwriteQuestionText(std::string_view fileName);

}  // namespace qx
