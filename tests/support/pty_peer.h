#pragma once
// A scripted peer on a real pseudo-terminal: it collects the request frames that the link writes
// and answers each with bytes at chosen moments, so that tests can shape the reply timing exactly.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qx::test {

struct ReplyChunk {
    int delayMs = 0;  // ms, wait before writing `bytes`
    std::string bytes;
};

struct PeerReply {
    std::vector<ReplyChunk> chunks;
    bool endlessStream = false;  // after the chunks, one 'x' per millisecond until the next frame
};

// Called on the peer's thread with each request frame (CR included); no value means silence.
using PeerScript = std::function<std::optional<PeerReply>(const std::string& frame)>;

class PtyPeer {
  public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& Path() const { return path_; }
    void SetScript(PeerScript script);
    std::vector<std::string> Frames() const;
    void ClearFrames();
    // Waits until at least `count` frames have arrived; false after `timeoutMs` (a fail-safe).
    bool WaitFrames(std::size_t count, int timeoutMs = 5000) const;
    // The bit rate that the link set on the line.
    int LineBitRate() const;
    // Closes the terminal as an unplugged adapter would.
    void HangUp();

  private:
    void Serve();
    void HandleFrame(const std::string& frame);
    void WriteAll(const std::string& bytes);
    void CloseLine();
    void StreamByte();

    int master_ = -1;
    int slave_ = -1;  // held open so that the line survives the link's Close
    std::string path_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> streaming_{false};
    mutable std::mutex mutex_;  // guards script_, frames_, hangUp_ and the descriptors
    mutable std::condition_variable framesChanged_;
    bool hangUp_ = false;
    PeerScript script_;
    std::vector<std::string> frames_;
    std::thread thread_;
};

// A reply without any pause: `text` as it stands.
PeerReply Immediate(std::string text);

}  // namespace qx::test
