#include "tests/support/fake_bus.h"

#include <cstdio>

#include "link/core/protocol.h"

namespace qx::test {

namespace {

std::string Printf(const char* fmt, int a, int b = 0, int c = 0, int d = 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, a, b, c, d);
    return buf;
}

}  // namespace

FakeBus::FakeBus(PtyPeer& peer) : peer_(peer) {
    peer_.SetScript([this](const std::string& frame) { return Answer(frame); });
}

FakeBus::~FakeBus() {
    peer_.SetScript(nullptr);
}

void FakeBus::Add(const FakeModule& module) {
    std::lock_guard lock(mutex_);
    modules_[module.address] = module;
}

FakeModule FakeBus::Get(int address) const {
    std::lock_guard lock(mutex_);
    return modules_.at(address);
}

std::optional<PeerReply> FakeBus::Answer(const std::string& frame) {
    if (frame.size() < 4 || frame.back() != '\r') return std::nullopt;
    const std::string body = frame.substr(0, frame.size() - 1);
    const int address = HexPairAt(body, 2);
    std::lock_guard lock(mutex_);
    auto it = modules_.find(address);
    if (it == modules_.end() || !it->second.on) return std::nullopt;
    FakeModule& module = it->second;
    std::string text = body;
    if (module.checksum) {
        // A module with checksums on ignores a request without the right digits.
        if (!ReplyChecksumOk(frame)) return std::nullopt;
        text.resize(text.size() - 2);
    }
    auto reply = Reply(module, text);
    if (!reply) return std::nullopt;
    return Immediate(Frame(*reply, module.checksum));
}

std::optional<std::string> FakeBus::Reply(FakeModule& m, const std::string& text) {
    const std::string tail = text.substr(3);
    const std::string aa = Printf("%02X", m.address);
    if (text[0] == '$' && tail == "M")
        return "!" + aa + Printf("%04d%04d", m.moduleModel, m.instrumentModel);
    if (text[0] == '$' && tail == "F")
        return "!" + aa + Printf("%04d%04d", m.moduleFirmware, m.instrumentFirmware);
    if (text[0] == '$' && tail == "2" && m.garbleConfig) return "!" + aa + "Z1060E";
    if (text[0] == '$' && tail == "2")
        return "!" + aa + Printf("%02X%02X%02X", m.config, m.baudCode, m.flags);
    if (text[0] == '$' && tail == "N") return "!" + aa + Printf("%08d", m.instrumentNumber);
    if (text[0] == '#' && tail.empty()) return m.hasValue ? ">" + m.value : "?" + aa;
    if (text[0] == '%' && tail.size() == 8) {
        m.config = HexPairAt(tail, 3);
        return "!" + aa;
    }
    return "?" + aa;
}

}  // namespace qx::test
