// The command line of meridoctl: the input is the argument list, the arguments separated by NUL
// bytes as the system hands them over. Whatever it holds, a sound command line gives options
// within their ranges, a command line written back from those options reads as the same options,
// and an MQTT address that reads at all reads the same once written back.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ctl/core/ctl_options.h"
#include "ctl/core/mqtt_publisher.h"

namespace {

using qx::ctl::CtlOptions;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

std::string Number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// The options as a command line: values after "=", so that a value beginning with "-" stays a
// value.
std::vector<std::string> Written(const CtlOptions& o) {
    std::vector<std::string> args;
    if (!o.command.empty()) args.push_back(o.command);
    if (!o.sub.empty()) args.push_back(o.sub);
    args.insert(args.end(), o.files.begin(), o.files.end());
    auto value = [&](const char* name, const std::string& v) {
        args.push_back(std::string(name) + "=" + v);
    };
    if (o.port) value("--port", *o.port);
    if (o.baudCode) value("--baud", std::to_string(1200 << (*o.baudCode - 3)));
    if (o.newBaudCode) value("--new-baud", std::to_string(1200 << (*o.newBaudCode - 3)));
    if (o.checksum) value("--csum", *o.checksum ? "on" : "off");
    if (o.newChecksum) value("--new-csum", *o.newChecksum ? "on" : "off");
    if (o.address) value("--addr", std::to_string(*o.address));
    if (o.newAddress) value("--new-addr", std::to_string(*o.newAddress));
    if (!o.trace.empty()) value("--trace", o.trace);
    value("--format", o.format);
    if (o.count) value("--count", std::to_string(*o.count));
    if (o.duration) value("--duration", Number(*o.duration));
    if (o.timeout) value("--timeout", Number(*o.timeout));
    if (!o.mqtt.empty()) value("--mqtt", o.mqtt);
    value("--mqtt-queue", std::to_string(o.mqttQueue));
    value("--mqtt-wait", Number(o.mqttWait));
    for (const auto& [on, name] :
         {std::pair{o.json, "--json"}, std::pair{o.help, "--help"}, std::pair{o.quiet, "--quiet"},
          std::pair{o.force, "--force"}, std::pair{o.fast, "--fast"}}) {
        if (on) args.emplace_back(name);
    }
    return args;
}

bool Same(const CtlOptions& a, const CtlOptions& b) {
    return a.command == b.command && a.sub == b.sub && a.files == b.files && a.port == b.port &&
           a.baudCode == b.baudCode && a.checksum == b.checksum && a.address == b.address &&
           a.trace == b.trace && a.json == b.json && a.help == b.help && a.quiet == b.quiet &&
           a.force == b.force && a.fast == b.fast && a.format == b.format && a.count == b.count &&
           a.duration == b.duration && a.timeout == b.timeout && a.mqtt == b.mqtt &&
           a.mqttQueue == b.mqttQueue && a.mqttWait == b.mqttWait && a.newAddress == b.newAddress &&
           a.newBaudCode == b.newBaudCode && a.newChecksum == b.newChecksum;
}

void CheckRanges(const CtlOptions& o) {
    for (const auto& code : {o.baudCode, o.newBaudCode})
        Check(!code || (*code >= 3 && *code <= 8), "a baud code is one of the module's");
    for (const auto& a : {o.address, o.newAddress})
        Check(!a || (*a >= 0 && *a <= 254), "an address is a bus address");
    Check(!o.count || *o.count >= 1, "a count counts something");
    Check(o.mqttQueue >= 1, "the queue holds a value");
    for (const auto& s : {o.duration, o.timeout, std::optional(o.mqttWait)})
        Check(!s || (std::isfinite(*s) && *s >= 0), "a time is finite and not negative");
    Check(o.format == "text" || o.format == "csv" || o.format == "json", "a known format");
    Check(!o.json || o.format == "json", "--json is the json format");
}

std::string UrlOf(const qx::ctl::MqttTarget& t) {
    const bool bracket = t.host.find(':') != std::string::npos || t.host.front() == '[';
    return "mqtt://" + (bracket ? "[" + t.host + "]" : t.host) + ":" + std::to_string(t.port) +
           "/" + t.topic;
}

void CheckMqttUrl(const std::string& url) {
    const auto target = qx::ctl::ParseMqttUrl(url);
    if (!target) return;
    Check(!target->host.empty() && target->port >= 1 && target->port <= 65535, "host and port");
    Check(!target->topic.empty() && target->topic.find_first_of("+#") == std::string::npos,
          "a topic one can publish to");
    const auto again = qx::ctl::ParseMqttUrl(UrlOf(*target));
    Check(again && again->host == target->host && again->port == target->port &&
              again->topic == target->topic,
          "an MQTT address written back reads the same");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    while (!input.empty()) {
        const std::size_t end = std::min(input.find('\0'), input.size());
        args.emplace_back(input.substr(0, end));
        input.remove_prefix(std::min(end + 1, input.size()));
    }
    const qx::ctl::ParseOutcome outcome = qx::ctl::ParseCommandLine(args);
    CheckMqttUrl(args.empty() ? std::string() : args.back());
    if (!outcome.Ok()) return 0;
    const CtlOptions& o = outcome.options;
    CheckRanges(o);
    CheckMqttUrl(o.mqtt);
    const qx::ctl::ParseOutcome again = qx::ctl::ParseCommandLine(Written(o));
    Check(again.Ok(), "options written back are a sound command line");
    Check(Same(again.options, o), "options written back read the same");
    return 0;
}
