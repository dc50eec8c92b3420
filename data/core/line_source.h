#pragma once
// Reads the lines of a data file in large blocks. A line is the text up to a line feed, with a
// carriage return right before the line feed dropped (files come with CR LF ends); only its first
// 250 characters are kept and the rest is skipped; characters after the last line feed do not
// make a line. Every byte is an ordinary character.

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "measure/core/text_format.h"

namespace qx {

class LineSource {
  public:
    // Large enough that a long file costs few reads; a caller reading many tiny files (the
    // fuzzer) takes a small one, which also makes lines cross block ends.
    static constexpr std::size_t kDefaultBlock = std::size_t{1} << 20;

    LineSource() = default;
    ~LineSource();
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    // False when the file cannot be opened for reading. `block`: characters read at a time (≥ 1).
    bool Open(const std::string& path, std::size_t block = kDefaultBlock);
    void Close();
    // The number of lines of the whole file; the next line read is the first again.
    long long CountLines();
    void Rewind();
    // The next line, zero-terminated, in a buffer that the next call reuses; false at the end.
    bool Next(char*& line, std::size_t& length);

  private:
    bool Refill();

    std::FILE* file_ = nullptr;
    std::unique_ptr<char[]> block_;  // blockSize_ characters, left uninitialised: a short
                                     // file touches only the pages it fills
    std::size_t blockSize_ = 0;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    char line_[kLineKept + 2] = {};
};

}  // namespace qx
