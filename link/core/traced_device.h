#pragma once
// The protocol trace of a link: every frame the PC writes and every reply it reads, with its time
// and direction, one line each, the way a user sends it along with a problem report.

#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "link/core/serial_device.h"

namespace qx {

// The trace file. Devices opened one after the other (a find reopens the link for every baud
// rate) share one trace, whose clock starts when it is opened.
class WireTrace {
  public:
    using Clock = std::chrono::steady_clock;

    WireTrace() = default;
    ~WireTrace();
    WireTrace(const WireTrace&) = delete;
    WireTrace& operator=(const WireTrace&) = delete;

    // Takes `file` (opened for writing) over and starts the trace's clock; false for a null file.
    bool Open(std::FILE* file);
    bool IsOpen() const;
    // One line, flushed at once: a trace must survive the crash it is meant to explain.
    void Frame(bool fromModule, std::string_view bytes, Clock::time_point at);
    void Close();

  private:
    mutable std::mutex mutex_;  // guards file_: the poller and a foreground command both trace
    std::FILE* file_ = nullptr;
    Clock::time_point start_{};
};

// A serial device that traces what passes through it. A reply ends at its CR; what came without
// one (a reply cut short, a stray byte) is traced as it stands once the next request is written
// or the line is purged, with the time of its last byte.
class TracedDevice : public SerialDevice {
  public:
    TracedDevice(std::unique_ptr<SerialDevice> inner, WireTrace& trace)
        : inner_(std::move(inner)), trace_(trace) {}
    ~TracedDevice() override { FlushReply(); }

    bool Open(const std::string& path) override { return inner_->Open(path); }
    OpenError LastOpenError() const override { return inner_->LastOpenError(); }
    bool Configure(int bitRate) override { return inner_->Configure(bitRate); }
    void Purge() override;
    void Write(const char* data, std::size_t size) override;
    int ReadByte(int timeoutMs) override;
    void Close() override;
    bool IsOpen() const override { return inner_->IsOpen(); }
    bool Lost() const override { return inner_->Lost(); }

  private:
    void FlushReply();

    std::unique_ptr<SerialDevice> inner_;
    WireTrace& trace_;
    std::string reply_;  // bytes read since the last traced reply
    WireTrace::Clock::time_point lastByte_{};
};

}  // namespace qx
