#include "sim/control.h"

#include <charconv>
#include <cstdio>
#include <sstream>
#include <vector>

#include "sim/baud.h"
#include "sim/simulator.h"

namespace qx::sim {

namespace {

std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> words;
    std::istringstream in{std::string(line)};
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

// Whole-string integer: decimal, or hexadecimal with a 0x prefix.
bool ParseInt(std::string_view text, long* out) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *out, base);
    return ec == std::errc() && ptr == end;
}

bool ParseOnOff(const std::string& word, bool* out) {
    if (word == "on" || word == "1") return *out = true, true;
    if (word == "off" || word == "0") return *out = false, true;
    return false;
}

// Optional bus address argument: -1 (every module) when absent.
bool AddressArg(const std::vector<std::string>& w, std::size_t i, int* addr) {
    long v = -1;
    if (i < w.size() && (!ParseInt(w[i], &v) || v < 0 || v > 255)) return false;
    *addr = static_cast<int>(v);
    return true;
}

std::string Status(const Simulator& sim) {
    std::string out = "ok slave " + sim.SlavePath();
    for (std::size_t i = 0; i < sim.ModuleCount(); ++i) {
        auto m = sim.ModuleAt(i);
        if (!m) break;
        const auto& s = m->Settings();
        char buf[200];
        std::snprintf(buf, sizeof buf,
                      "\nmodule addr=0x%02X baud=%d csum=%d model=%d inst=%d config=0x%02X "
                      "flags=0x%02X attached=%d pending-baud=%d pending-csum=%d",
                      s.address, BaudRateOfCode(s.baudCode), s.checksum, s.moduleModel,
                      s.instrumentModel, s.config, m->FormatFlags(), s.instrumentAttached,
                      BaudRateOfCode(m->PendingBaudCode()), m->PendingChecksum());
        out += buf;
    }
    return out;
}

std::string Done(bool ok, const char* what) {
    return ok ? "ok" : std::string("error: ") + what;
}

}  // namespace

const char* ControlHelp() {
    return "  silence on|off        answer nothing while on\n"
           "  drop N                drop the next N replies\n"
           "  corrupt               give the next checksummed reply a wrong checksum\n"
           "  stall [MS]            pause the next reply half-way for MS ms (default 100)\n"
           "  stream on|off         send characters without CR, endlessly, while on\n"
           "  unplug [ADDR]         detach the instrument (all modules without ADDR)\n"
           "  plug [ADDR]           attach the instrument again\n"
           "  novalue on|off [ADDR] answer the value request without a value\n"
           "  power                 power cycle: pending baud rate and checksum take effect\n"
           "  hangup                close the pty; the program sees the line hang up\n"
           "  reopen                hang up if needed, then open a new pty (the link follows)\n"
           "  status                show the slave path and the modules\n"
           "  help                  this list\n";
}

std::string ExecuteControl(Simulator& sim, std::string_view line) {
    const auto w = Words(line);
    if (w.empty()) return "ok";
    const std::string& cmd = w[0];
    bool on = false;
    long n = 0;
    int addr = -1;
    if (cmd == "silence" && w.size() == 2 && ParseOnOff(w[1], &on)) return sim.SetSilent(on), "ok";
    if (cmd == "stream" && w.size() == 2 && ParseOnOff(w[1], &on))
        return sim.SetStreaming(on), "ok";
    if (cmd == "drop" && w.size() == 2 && ParseInt(w[1], &n) && n >= 0)
        return sim.DropReplies(static_cast<int>(n)), "ok";
    if (cmd == "corrupt" && w.size() == 1) return sim.CorruptNextChecksum(), "ok";
    if (cmd == "stall" && w.size() <= 2) {
        if (w.size() == 1)
            n = Simulator::kDefaultStallMs;
        else if (!ParseInt(w[1], &n) || n < 0 || n > 60000)
            return "error: bad stall time";
        return sim.StallNextReply(static_cast<int>(n)), "ok";
    }
    if ((cmd == "unplug" || cmd == "plug") && w.size() <= 2 && AddressArg(w, 1, &addr))
        return Done(sim.SetInstrumentAttached(addr, cmd == "plug"), "no such module");
    if (cmd == "novalue" && w.size() >= 2 && w.size() <= 3 && ParseOnOff(w[1], &on) &&
        AddressArg(w, 2, &addr))
        return Done(sim.SetNoValue(addr, on), "no such module");
    if (cmd == "power" && w.size() == 1) return sim.PowerCycle(), "ok";
    if (cmd == "hangup" && w.size() == 1) return Done(sim.HangUp(false), "hang-up failed");
    if (cmd == "reopen" && w.size() == 1) {
        if (!sim.HangUp(true)) return "error: cannot open a new pty";
        return "ok slave " + sim.SlavePath();
    }
    if (cmd == "status" && w.size() == 1) return Status(sim);
    if (cmd == "help" && w.size() == 1) return std::string("ok\n") + ControlHelp();
    return "error: unknown or malformed command: " + std::string(line);
}

bool ParseModuleSpec(std::string_view spec, ModuleSettings* out, std::string* error) {
    ModuleSettings s = *out;
    std::string text(spec);
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');) {
        const auto eq = item.find('=');
        long v = 0;
        if (eq == std::string::npos || !ParseInt(std::string_view(item).substr(eq + 1), &v)) {
            if (error) *error = "bad module item '" + item + "'";
            return false;
        }
        const std::string key = item.substr(0, eq);
        bool ok = v >= 0;
        if (key == "addr")
            ok = ok && v <= 255, s.address = static_cast<int>(v);
        else if (key == "baud") {
            const int code = v >= 1200 ? CodeOfBaudRate(static_cast<int>(v)) : static_cast<int>(v);
            ok = ok && code >= kMinBaudCode && code <= kMaxBaudCode, s.baudCode = code;
        } else if (key == "csum")
            ok = ok && v <= 1, s.checksum = v != 0;
        else if (key == "model")
            ok = ok && v <= 9999, s.moduleModel = static_cast<int>(v);
        else if (key == "fw")
            ok = ok && v <= 9999, s.moduleFirmware = static_cast<int>(v);
        else if (key == "inst")
            ok = ok && v <= 9999, s.instrumentModel = static_cast<int>(v);
        else if (key == "ifw")
            ok = ok && v <= 9999, s.instrumentFirmware = static_cast<int>(v);
        else if (key == "number")
            ok = ok && v <= 99999999, s.instrumentNumber = v;
        else if (key == "flags")
            ok = ok && v <= 255, s.formatFlags = static_cast<int>(v);
        else if (key == "config")
            ok = ok && v <= 255, s.config = static_cast<int>(v);
        else if (key == "attached")
            ok = ok && v <= 1, s.instrumentAttached = v != 0;
        else
            ok = false;
        if (!ok) {
            if (error) *error = "bad module item '" + item + "'";
            return false;
        }
    }
    *out = s;
    return true;
}

}  // namespace qx::sim
