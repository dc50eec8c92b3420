#pragma once
// The command line of meridoctl: the command, its sub-command and file, the common options that
// choose the port and the module, and each command's own options.

#include <optional>
#include <string>
#include <vector>

namespace qx::ctl {

struct CtlOptions {
    std::string command;              // "identify", "schedule", ...; empty: none given
    std::string sub;                  // schedule: send|check|clear; clock: show|set
    std::vector<std::string> files;   // FILE operands
    std::optional<std::string> port;  // a device path or COM1..COM4
    std::optional<int> baudCode;      // 3..8
    std::optional<bool> checksum;
    std::optional<int> address;   // 0..254; set when --addr names exactly one
    std::vector<int> addresses;   // --addr as a list, in the order given, each once
    bool addressesFound = false;  // --addr found: the addresses that answer, found at the start
    std::string trace;            // --trace FILE
    bool json = false;
    bool help = false;
    bool quiet = false;              // watch: no value lines on standard output
    bool force = false;              // download, record: replace an existing file
    bool append = false;             // record: write after the lines of an existing file
    bool fast = false;               // find --fast
    std::string format = "text";     // watch/read: text|csv|json
    std::optional<long> count;       // watch/record: values
    std::optional<double> duration;  // s
    std::optional<double> timeout;   // s, for the module to answer
    std::string mqtt;                // mqtt://HOST[:PORT]/TOPIC
    long mqttQueue = 100000;         // values kept while the broker is away
    double mqttWait = 10;            // s, for the broker to take the last values at the end
    std::optional<int> newAddress;
    std::optional<int> newBaudCode;
    std::optional<bool> newChecksum;
};

struct ParseOutcome {
    CtlOptions options;
    std::string error;  // empty when the command line is sound
    bool Ok() const { return error.empty(); }
};

// Parses the arguments after the program name. Options may stand before or after the command.
ParseOutcome ParseCommandLine(const std::vector<std::string>& args);

// 3..8 for 1200..38400 (bit rates only); nothing for anything else.
std::optional<int> BaudCodeOf(const std::string& text);
// "10,11,20-23": addresses 0..254 and ascending ranges, each address once in the order first
// named. Nothing for anything else, with the reason in `error`.
std::optional<std::vector<int>> ParseAddressList(const std::string& text, std::string* error);
// on/off, 1/0, yes/no in any case.
std::optional<bool> SwitchOf(const std::string& text);

}  // namespace qx::ctl
