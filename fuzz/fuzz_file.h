#pragma once
// A file of the fuzz input, for the readers that take a path: one per process in a temporary
// folder, rewritten for every input and removed at exit.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace qx::fuzz {

class FuzzFile {
  public:
    explicit FuzzFile(const std::string& name) {
        // Memory-backed where there is such a folder: a disk file system writes out a file that
        // is emptied and written again at every close, thousands of times a second here.
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        dir_ = base / ("qxfuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / name).string();
    }
    ~FuzzFile() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    void Write(const std::uint8_t* data, std::size_t size) const {
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        if (f == nullptr || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
            std::perror(path_.c_str());
            std::abort();  // the harness itself failed, not the code under test
        }
    }
    const std::filesystem::path& Dir() const { return dir_; }
    const std::string& Path() const { return path_; }

  private:
    std::filesystem::path dir_;
    std::string path_;
};

}  // namespace qx::fuzz
