#pragma once
// Modules on a scripted pty peer: enough of the identification, configuration and value commands
// to drive the poller through every station transition.

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "tests/support/pty_peer.h"

namespace qx::test {

struct FakeModule {
    int address = 1;
    bool on = true;  // switched off: no reply at all
    bool checksum = false;
    int moduleModel = 1525;
    int moduleFirmware = 110;
    int instrumentModel = 1520;
    int instrumentFirmware = 37;
    int instrumentNumber = 4711;
    int config = 0x21;
    int baudCode = 6;
    int flags = 0x0E;  // value, number, instrument attached
    std::string value = "+12.345";
    bool hasValue = true;
    bool garbleConfig = false;  // $AA2 answered with non-hexadecimal fields
};

class FakeBus {
  public:
    // Installs itself as the peer's script; the peer must outlive the bus's use.
    explicit FakeBus(PtyPeer& peer);
    ~FakeBus();
    FakeBus(const FakeBus&) = delete;
    FakeBus& operator=(const FakeBus&) = delete;
    void Add(const FakeModule& module);
    FakeModule Get(int address) const;
    template <typename F>
    void Change(int address, F&& change) {
        std::lock_guard lock(mutex_);
        change(modules_.at(address));
    }

  private:
    std::optional<PeerReply> Answer(const std::string& frame);
    std::optional<std::string> Reply(FakeModule& module, const std::string& text);

    PtyPeer& peer_;
    mutable std::mutex mutex_;  // guards modules_ (peer thread answers, test thread changes)
    std::map<int, FakeModule> modules_;
};

}  // namespace qx::test
