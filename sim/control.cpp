#include "sim/control.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
    return "  silence on|off [ADDR] answer nothing while on; with ADDR only that module\n"
           "  drop N                drop the next N replies\n"
           "  corrupt               give the next checksummed reply a wrong checksum\n"
           "  stall [MS]            pause the next reply half-way for MS ms (default 100)\n"
           "  late MS [KIND]        send the next reply (to a request of KIND: the request\n"
           "                        without its address, e.g. $2, #, @RF) MS ms late, into a\n"
           "                        later exchange; requests meanwhile wait behind it\n"
           "  stream on|off         send characters without CR, endlessly, while on\n"
           "  unplug [ADDR]         detach the instrument (all modules without ADDR)\n"
           "  plug [ADDR]           attach the instrument again\n"
           "  novalue on|off [ADDR] answer the value request without a value\n"
           "  value V|auto [ADDR]   hold the measured quantity at V (instrument's form) or let\n"
           "                        it swing again; beyond the range the reading overloads\n"
           "  set ADDR ITEMS         change a module's settings at once (ITEMS as for --module)\n"
           "  accel F               simulated time runs F times faster (clocks, logging, values)\n"
           "  prefill N [CC] [ADDR] queue N records of configuration byte CC (default: the\n"
           "                        module's), one second apart, the last stamped now\n"
           "  record HEX16 [ADDR]   queue one record given as its 16 characters after \"!AA\":\n"
           "                        CC SS DDDD T1 T2 T3 T4 (any content, invalid dates too)\n"
           "  clearqueue [ADDR]     empty the record queue\n"
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
    if (cmd == "silence" && w.size() == 2 && ParseOnOff(w[1], &on)) {
        if (!on) sim.SetModuleSilent(-1, false);
        return sim.SetSilent(on), "ok";
    }
    if (cmd == "silence" && w.size() == 3 && ParseOnOff(w[1], &on) && AddressArg(w, 2, &addr))
        return Done(sim.SetModuleSilent(addr, on), "no such module");
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
    if (cmd == "late" && w.size() >= 2 && w.size() <= 3) {
        if (!ParseInt(w[1], &n) || n < 0 || n > 60000) return "error: bad late time";
        return sim.DelayNextReply(static_cast<int>(n), w.size() == 3 ? w[2] : ""), "ok";
    }
    if ((cmd == "unplug" || cmd == "plug") && w.size() <= 2 && AddressArg(w, 1, &addr))
        return Done(sim.SetInstrumentAttached(addr, cmd == "plug"), "no such module");
    if (cmd == "novalue" && w.size() >= 2 && w.size() <= 3 && ParseOnOff(w[1], &on) &&
        AddressArg(w, 2, &addr))
        return Done(sim.SetNoValue(addr, on), "no such module");
    if (cmd == "value" && w.size() >= 2 && w.size() <= 3 && AddressArg(w, 2, &addr)) {
        if (w[1] == "auto") return Done(sim.SetFixedValue(addr, std::nullopt), "no such module");
        char* end = nullptr;
        const double v = std::strtod(w[1].c_str(), &end);
        if (end && *end == '\0' && std::isfinite(v))
            return Done(sim.SetFixedValue(addr, v), "no such module");
    }
    if (cmd == "set" && w.size() == 3 && AddressArg(w, 1, &addr) && addr >= 0) {
        auto m = sim.FindModule(addr);
        if (!m) return "error: no such module";
        ModuleSettings s = m->Settings();
        std::string error;
        if (!ParseModuleItems(w[2], &s, &error)) return "error: " + error;
        return Done(sim.UpdateModule(addr, [&](Module& mod) { mod.Reset(s); }), "no such module");
    }
    if (cmd == "accel" && w.size() == 2) {
        char* end = nullptr;
        const double f = std::strtod(w[1].c_str(), &end);
        if (end && *end == '\0' && f > 0 && f <= 1e6) return sim.SetAcceleration(f), "ok";
    }
    if (cmd == "prefill" && w.size() >= 2 && w.size() <= 4 && ParseInt(w[1], &n) && n >= 0 &&
        n <= 1000000) {
        long config = -1;
        if (w.size() >= 3 && (!ParseInt(w[2], &config) || config > 0xFF))
            return "error: bad configuration byte";
        if (!AddressArg(w, 3, &addr)) return "error: bad address";
        const bool ok = sim.PrefillQueue(addr, static_cast<int>(n), static_cast<int>(config));
        return Done(ok, "no such module");
    }
    if (cmd == "record" && w.size() >= 2 && w.size() <= 3 && w[1].size() == 16 &&
        AddressArg(w, 2, &addr))
        return Done(sim.PushRecord(addr, w[1]), "no such module");
    if (cmd == "clearqueue" && w.size() <= 2 && AddressArg(w, 1, &addr))
        return Done(sim.UpdateModule(addr, [](Module& m) { m.Log().ClearQueue(); }),
                    "no such module");
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

bool ParseModuleItems(std::string_view items, ModuleSettings* out, std::string* error) {
    struct Key {
        const char* name;
        long min, max;
        void (*set)(ModuleSettings&, long);
    };
    static const Key kKeys[] = {
        {"addr", 0, 255, [](ModuleSettings& s, long v) { s.address = int(v); }},
        {"baud", 3, 38400,
         [](ModuleSettings& s, long v) {
             s.baudCode = v >= 1200 ? CodeOfBaudRate(int(v)) : int(v);
         }},
        {"csum", 0, 1, [](ModuleSettings& s, long v) { s.checksum = v != 0; }},
        {"model", 0, 9999, [](ModuleSettings& s, long v) { s.moduleModel = int(v); }},
        {"fw", 0, 9999, [](ModuleSettings& s, long v) { s.moduleFirmware = int(v); }},
        {"inst", 0, 9999, [](ModuleSettings& s, long v) { s.instrumentModel = int(v); }},
        {"ifw", 0, 9999, [](ModuleSettings& s, long v) { s.instrumentFirmware = int(v); }},
        {"number", 0, 99999999, [](ModuleSettings& s, long v) { s.instrumentNumber = v; }},
        {"flags", 0, 255, [](ModuleSettings& s, long v) { s.formatFlags = int(v); }},
        {"config", 0, 255, [](ModuleSettings& s, long v) { s.config = int(v); }},
        {"attached", 0, 1, [](ModuleSettings& s, long v) { s.instrumentAttached = v != 0; }},
        {"queue", 1, 1000000, [](ModuleSettings& s, long v) { s.queueCapacity = int(v); }},
        {"mute2", 0, 1, [](ModuleSettings& s, long v) { s.muteConfigRead = v != 0; }},
    };
    ModuleSettings s = *out;
    std::istringstream in{std::string(items)};
    for (std::string item; std::getline(in, item, ',');) {
        const auto eq = item.find('=');
        const Key* key = nullptr;
        for (const auto& k : kKeys)
            if (eq != std::string::npos && item.compare(0, eq, k.name) == 0) key = &k;
        long v = 0;
        bool ok = key && ParseInt(std::string_view(item).substr(eq + 1), &v) && v >= key->min &&
                  v <= key->max;
        if (ok) key->set(s, v);
        // A bit rate must be one of the six; a code one of 3..8.
        if (ok && key == &kKeys[1]) ok = s.baudCode >= kMinBaudCode && s.baudCode <= kMaxBaudCode;
        if (!ok) {
            if (error) *error = "bad module item '" + item + "'";
            return false;
        }
    }
    *out = s;
    return true;
}

}  // namespace qx::sim
