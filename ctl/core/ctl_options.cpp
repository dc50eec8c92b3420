#include "ctl/core/ctl_options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <set>

#include "common/core/address_text.h"

namespace qx::ctl {
namespace {

std::optional<long> WholeNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return std::nullopt;
    return value;
}

std::optional<double> Seconds(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value) || value < 0) return std::nullopt;
    return value;
}

// A decimal address or a hexadecimal one with "0x", as find prints it ("10 (0Ah)").
std::optional<int> Address(const std::string& text) {
    const auto value = AddressNumber(text, true);
    if (!value || *value < 0 || *value > kMaxAddress) return std::nullopt;
    return static_cast<int>(*value);
}

// "COM5", "com0", "COM12": a COM name the window does not have. Without this it would be taken
// for a device path and fail as a missing device, which sends the user looking for an adapter.
bool NotAComName(const std::string& text) {
    if (text.size() < 4 || text.find_first_not_of("0123456789", 3) != std::string::npos)
        return false;
    std::string head;
    for (char c : text.substr(0, 3))
        head += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return head == "COM" && !(text.size() == 4 && text[3] >= '1' && text[3] <= '4');
}

const std::set<std::string> kCommands = {"ports",  "identify",    "read",     "watch",
                                         "record", "download",    "schedule", "clock",
                                         "find",   "reconfigure", "help"};

}  // namespace

std::optional<int> BaudCodeOf(const std::string& text) {
    const auto value = WholeNumber(text);
    if (!value) return std::nullopt;
    for (int code = 3, rate = 1200; code <= 8; ++code, rate *= 2)
        if (*value == rate) return code;
    return std::nullopt;
}

std::optional<std::vector<int>> ParseAddressList(const std::string& text, std::string* error) {
    std::vector<int> list;
    std::set<int> seen;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma - start);
        // A range's dash comes after its first character: "-3" is not a range from nothing.
        const std::size_t dash = item.find('-', 1);
        const auto first = Address(item.substr(0, dash));
        const auto last = dash == std::string::npos ? first : Address(item.substr(dash + 1));
        if (!first || !last) {
            *error = "'" + item + "' is not an address 0..254 or a range such as 20-23";
            return std::nullopt;
        }
        if (*last < *first) {
            *error = "the range '" + item + "' runs backwards";
            return std::nullopt;
        }
        for (int a = *first; a <= *last; ++a)
            if (seen.insert(a).second) list.push_back(a);
        if (comma == std::string::npos) return list;
        start = comma + 1;
    }
}

std::optional<bool> SwitchOf(const std::string& text) {
    std::string word;
    for (char c : text)
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (word == "on" || word == "1" || word == "yes") return true;
    if (word == "off" || word == "0" || word == "no") return false;
    return std::nullopt;
}

ParseOutcome ParseCommandLine(const std::vector<std::string>& args) {
    ParseOutcome out;
    CtlOptions& o = out.options;
    auto fail = [&](std::string text) {
        if (out.error.empty()) out.error = std::move(text);
    };
    for (std::size_t i = 0; i < args.size() && out.error.empty(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool inlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                inlineValue = true;
            }
        }
        // The option's value: after "=" or the next argument.
        auto next = [&]() -> std::optional<std::string> {
            if (inlineValue) return value;
            if (i + 1 >= args.size()) {
                fail(arg + " needs a value");
                return std::nullopt;
            }
            return args[++i];
        };
        auto bad = [&](const std::string& v) { fail("invalid value '" + v + "' for " + arg); };
        if (arg == "-h" || arg == "--help") {
            o.help = true;
        } else if (arg == "--json") {
            o.json = true;
        } else if (arg == "-q" || arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "--force") {
            o.force = true;
        } else if (arg == "--append") {
            o.append = true;
        } else if (arg == "--fast") {
            o.fast = true;
        } else if (arg == "--port") {
            if (auto v = next()) {
                if (NotAComName(*v))
                    fail(*v + " is not a port name: use COM1–COM4 or a device path");
                o.port = *v;
            }
        } else if (arg == "--baud" || arg == "--new-baud") {
            if (auto v = next()) {
                const auto code = BaudCodeOf(*v);
                if (!code) bad(*v);
                (arg == "--baud" ? o.baudCode : o.newBaudCode) = code;
            }
        } else if (arg == "--csum" || arg == "--new-csum") {
            if (auto v = next()) {
                const auto on = SwitchOf(*v);
                if (!on)
                    fail("invalid value '" + *v + "' for " + arg +
                         ": use on, off, 1, 0, yes or no");
                (arg == "--csum" ? o.checksum : o.newChecksum) = on;
            }
        } else if (arg == "--addr") {
            if (auto v = next()) {
                std::string why;
                const auto list = *v == "found" ? std::vector<int>{} : ParseAddressList(*v, &why);
                if (!list) fail("invalid value '" + *v + "' for --addr: " + why);
                o.addressesFound = *v == "found";
                o.addresses = list.value_or(std::vector<int>{});
                o.address.reset();
                if (o.addresses.size() == 1) o.address = o.addresses[0];
            }
        } else if (arg == "--new-addr") {
            if (auto v = next()) {
                const auto a = Address(*v);
                if (!a) bad(*v);
                o.newAddress = a;
            }
        } else if (arg == "--trace") {
            if (auto v = next()) o.trace = *v;
        } else if (arg == "--format") {
            if (auto v = next()) {
                if (*v != "text" && *v != "csv" && *v != "json") bad(*v);
                o.format = *v;
            }
        } else if (arg == "--count" || arg == "--mqtt-queue") {
            if (auto v = next()) {
                const auto n = WholeNumber(*v);
                if (!n || *n < 1) bad(*v);
                if (arg == "--count") {
                    o.count = n;
                } else if (n) {
                    o.mqttQueue = *n;
                }
            }
        } else if (arg == "--duration" || arg == "--timeout" || arg == "--mqtt-wait") {
            if (auto v = next()) {
                const auto s = Seconds(*v);
                if (!s) bad(*v);
                if (arg == "--duration") o.duration = s;
                if (arg == "--timeout") o.timeout = s;
                if (arg == "--mqtt-wait" && s) o.mqttWait = *s;
            }
        } else if (arg == "--mqtt") {
            if (auto v = next()) o.mqtt = *v;
        } else if (arg.size() > 1 && arg[0] == '-') {
            fail("unknown option '" + arg + "'");
        } else if (o.command.empty()) {
            if (!kCommands.count(arg)) fail("unknown command '" + arg + "'");
            o.command = arg;
        } else if ((o.command == "schedule" || o.command == "clock") && o.sub.empty()) {
            o.sub = arg;
        } else {
            o.files.push_back(arg);
        }
    }
    if (o.json) o.format = "json";
    return out;
}

}  // namespace qx::ctl
