#include "data/core/line_source.h"

#include <algorithm>
#include <cstring>

#include "common/core/regular_file.h"

namespace qx {

LineSource::~LineSource() {
    Close();
}

bool LineSource::Open(const std::string& path, std::size_t block) {
    Close();
    // Only a regular file is a data file: a folder reads as nothing, a device such as
    // /dev/zero would never end and a FIFO would hold the window until a writer came.
    file_ = OpenRegularFile(path, FileAccess::Read);
    if (file_ == nullptr) return false;
    blockSize_ = std::max<std::size_t>(block, 1);
    block_ = std::make_unique_for_overwrite<char[]>(blockSize_);
    begin_ = end_ = 0;
    return true;
}

void LineSource::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    block_.reset();
}

long long LineSource::CountLines() {
    Rewind();
    long long lines = 0;
    while (Refill()) {
        const char* at = block_.get() + begin_;
        const char* const end = block_.get() + end_;
        while ((at = static_cast<const char*>(
                    std::memchr(at, '\n', static_cast<std::size_t>(end - at))))) {
            ++lines;
            ++at;
        }
        begin_ = end_;
    }
    Rewind();
    return lines;
}

void LineSource::Rewind() {
    if (file_ != nullptr) std::rewind(file_);
    begin_ = end_ = 0;
}

bool LineSource::Refill() {
    if (begin_ < end_) return true;
    if (file_ == nullptr) return false;
    begin_ = 0;
    end_ = std::fread(block_.get(), 1, blockSize_, file_);
    return end_ > 0;
}

bool LineSource::Next(char*& line, std::size_t& length) {
    // One character more than kept is stored, so that a CR right before the line feed can be
    // told apart from a CR that lies beyond the kept part.
    constexpr std::size_t kStore = kLineKept + 1;
    std::size_t stored = 0;
    std::size_t total = 0;
    char last = 0;
    while (Refill()) {
        const char* from = block_.get() + begin_;
        const std::size_t available = end_ - begin_;
        const void* lf = std::memchr(from, '\n', available);
        const std::size_t piece =
            lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - from) : available;
        const std::size_t take = std::min(piece, kStore - stored);
        std::memcpy(line_ + stored, from, take);
        stored += take;
        total += piece;
        if (piece > 0) last = from[piece - 1];
        begin_ += piece;
        if (lf == nullptr) continue;
        ++begin_;  // the line feed
        if (last == '\r') stored = std::min(stored, total - 1);
        stored = std::min(stored, kLineKept);
        line_[stored] = 0;
        line = line_;
        length = stored;
        return true;
    }
    line_[0] = 0;  // a last line without a line feed is not a line
    return false;
}

}  // namespace qx
