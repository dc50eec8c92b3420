#include "link/core/traced_device.h"

#include "link/core/protocol.h"
#include "link/core/trace_line.h"

namespace qx {

WireTrace::~WireTrace() {
    Close();
}

bool WireTrace::Open(std::FILE* file) {
    std::lock_guard lock(mutex_);
    if (file_ != nullptr) std::fclose(file_);
    file_ = file;
    start_ = Clock::now();
    return file_ != nullptr;
}

bool WireTrace::IsOpen() const {
    std::lock_guard lock(mutex_);
    return file_ != nullptr;
}

void WireTrace::Frame(bool fromModule, std::string_view bytes, Clock::time_point at) {
    std::lock_guard lock(mutex_);
    if (file_ == nullptr) return;
    const std::chrono::duration<double> since = at - start_;
    const std::string line = TraceLine(since.count(), fromModule, bytes) + "\n";
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

void WireTrace::Close() {
    std::lock_guard lock(mutex_);
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

void TracedDevice::FlushReply() {
    if (reply_.empty()) return;
    trace_.Frame(true, reply_, lastByte_);
    reply_.clear();
}

void TracedDevice::Purge() {
    FlushReply();
    inner_->Purge();
}

void TracedDevice::Write(const char* data, std::size_t size) {
    FlushReply();
    trace_.Frame(false, std::string_view(data, size), WireTrace::Clock::now());
    inner_->Write(data, size);
}

int TracedDevice::ReadByte(int timeoutMs) {
    const int byte = inner_->ReadByte(timeoutMs);
    if (byte < 0) return byte;
    reply_ += static_cast<char>(byte);
    lastByte_ = WireTrace::Clock::now();
    if (byte == kCr) FlushReply();
    return byte;
}

void TracedDevice::Close() {
    FlushReply();
    inner_->Close();
}

}  // namespace qx
