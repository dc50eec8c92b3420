#include "ctl/core/ctl_run.h"

#include <map>

#include "ctl/core/ctl_commands.h"
#include "ctl/core/ctl_options.h"

namespace qx::ctl {
namespace {

constexpr const char* kOverview =
    "Usage: meridoctl [OPTIONS] COMMAND [ARGS]\n"
    "The QX module from scripts: the same bus requests and files as the merido window.\n"
    "\n"
    "Commands:\n"
    "  ports                 serial devices present, and where COM1..COM4 lead\n"
    "  identify              module and instrument models, firmware, instrument number,\n"
    "                        configuration byte\n"
    "  read                  one live value\n"
    "  watch                 live values as they come (text, CSV or JSON lines; MQTT)\n"
    "  record FILE           the live values into a data file, as On-line recording writes it\n"
    "  download FILE         the module's record queue into a data file\n"
    "  schedule send FILE    the schedule file (ROZVRH.QX) and the PC's clock to the module\n"
    "  schedule check FILE   compare the module's clock and schedule with the file\n"
    "  schedule clear        empty the module's record queue\n"
    "  clock show|set        the module's clock against the PC's, or set it to the PC's\n"
    "  find [--fast]         find a module whose baud rate, checksum mode and address are unknown\n"
    "  reconfigure           change the module's address, baud rate and checksum mode\n"
    "\n"
    "Options of every command:\n"
    "  --port PATH|COM1..COM4  the serial port (COM names as mapped in merido's settings)\n"
    "  --baud RATE             1200, 2400, 4800, 9600, 19200 or 38400\n"
    "  --csum on|off           checksums on requests and replies\n"
    "  --addr N                the module's bus address, 0..254 or hexadecimal 0x00..0xFE;\n"
    "                          read, watch and record also take a list and ranges (10,11,20-23)\n"
    "                          or 'found' (the addresses that answer at the line settings in use)\n"
    "      (the defaults are the values saved by merido's Setup page)\n"
    "  --trace FILE            write every frame on the wire with its time and direction\n"
    "  --timeout SECONDS       how long to wait for the module to answer (default 5)\n"
    "  --json                  machine-readable results\n"
    "  --help                  this text; COMMAND --help for a command's own\n"
    "  --version               the program's version\n"
    "\n"
    "Exit codes: 0 done, 1 communication error (or interrupted), 2 usage error,\n"
    "3 port not available, 4 schedule check found differences.\n";

const std::map<std::string, std::string> kCommandHelp = {
    {"ports",
     "Usage: meridoctl ports [--json]\n"
     "Lists COM1..COM4 with the devices merido's settings map them to, then the serial\n"
     "devices present (USB adapters with their product, maker, USB ids and serial number).\n"
     "A device this user may not open is marked, with the group to join where one helps.\n"},
    {"identify",
     "Usage: meridoctl identify [OPTIONS]\n"
     "Polls the module at --addr until it and its instrument are identified, then prints\n"
     "the module and instrument models and firmware numbers, the instrument number and\n"
     "the configuration byte with the quantity and range it stands for.\n"},
    {"read",
     "Usage: meridoctl read [OPTIONS] [--format text|csv|json]\n"
     "Prints one live value of the instrument, read as the On-line page reads it; with a\n"
     "list of addresses, one value of each module.\n"},
    {"watch",
     "Usage: meridoctl watch [OPTIONS] [--format text|csv|json] [--count N]\n"
     "                       [--duration SECONDS] [--quiet] [--mqtt mqtt://HOST[:PORT]/TOPIC]\n"
     "Prints every live value as it comes until N values, SECONDS or Ctrl+C, the modules\n"
     "of an address list in turn, each value with its address. Without --timeout it waits\n"
     "for the modules however long it takes, and says on standard error at once which do\n"
     "not answer, once a minute while they stay away, and when they answer again.\n"
     "  --mqtt URL         publish each value as JSON with QoS 1 to TOPIC on the broker\n"
     "                     (to TOPIC/ADDRESS with an address list); values taken while\n"
     "                     the broker is away wait in a queue and go out after the\n"
     "                     reconnection; the outage is told on standard error\n"
     "  --mqtt-queue N     values the queue holds (default 100000); when it is full the\n"
     "                     oldest are dropped and counted\n"
     "  --mqtt-wait S      at the end, how long to wait for the broker to take the rest\n"
     "                     (default 10)\n"
     "  --quiet            no value lines on standard output\n"},
    {"record",
     "Usage: meridoctl record FILE [OPTIONS] [--count N] [--duration SECONDS]\n"
     "                             [--force | --append]\n"
     "Writes each live value as a data line into FILE, as the On-line page's recording\n"
     "does, until N lines, SECONDS or Ctrl+C. Each line reaches the disk as it is written,\n"
     "with the address of its module. A FILE that holds lines is left alone unless --force\n"
     "(empty it first) or --append (write after its lines) is given. On a terminal,\n"
     "standard error shows the running count and the last value. Modules that do not\n"
     "answer are told as watch tells them.\n"},
    {"download",
     "Usage: meridoctl download FILE [OPTIONS] [--force]\n"
     "Reads the module's whole record queue into the data file FILE, byte for byte as the\n"
     "Table page's download writes it. An existing FILE is replaced only with --force.\n"
     "After a download that a communication error ended, the next one from the same module\n"
     "asks again for the record whose reply was lost.\n"},
    {"schedule",
     "Usage: meridoctl schedule send FILE | check FILE | clear [OPTIONS]\n"
     "send   sets the module's clock to the PC's and writes the schedule of FILE (a ROZVRH.QX\n"
     "       file); the requests are logged to ROZVRH.LOG beside FILE\n"
     "check  reads the module's clock and schedule back and prints each item's verdict;\n"
     "       exit code 4 when anything differs\n"
     "clear  reads and drops every record of the module's queue\n"},
    {"clock",
     "Usage: meridoctl clock show | set [OPTIONS]\n"
     "show  the module's clock beside the PC's\n"
     "set   sets the module's clock to the PC's\n"},
    {"find",
     "Usage: meridoctl find [--fast] [OPTIONS]\n"
     "Without --fast: every baud rate with checksums off and on, every address 0..255, three\n"
     "attempts each, as the Setup page's find; lists every module that answers.\n"
     "With --fast: each address is asked once, the saved (or given) settings first, and the\n"
     "find stops at the first module; it may miss a module whose one reply is lost, and it\n"
     "never finds a second module.\n"},
    {"reconfigure",
     "Usage: meridoctl reconfigure [OPTIONS] [--new-addr N] [--new-baud RATE] [--new-csum on|off]\n"
     "Sends the configuration command to the module at --addr, keeping its configuration\n"
     "byte. The new address holds at once; the new baud rate and checksum mode after the\n"
     "module's power has been switched off and on. What is not given stays as it is now.\n"},
};

}  // namespace

std::string Counted(long long n, const std::string& noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

std::string HelpText(const std::string& command) {
    const auto it = kCommandHelp.find(command);
    if (it == kCommandHelp.end()) return kOverview;
    return it->second + "\nSee meridoctl --help for the options of every command.\n";
}

int RunCtl(const std::vector<std::string>& args, const CtlEnvironment& env) {
    const ParseOutcome parsed = ParseCommandLine(args);
    const CtlOptions& o = parsed.options;
    if (!parsed.Ok()) {
        *env.err << "meridoctl: " << parsed.error << " (see meridoctl --help)" << std::endl;
        return kExitUsage;
    }
    if (o.help || o.command == "help") {
        *env.out << HelpText(o.command == "help" ? (o.files.empty() ? "" : o.files[0]) : o.command);
        return kExitDone;
    }
    if (o.command.empty()) {
        *env.err << kOverview;
        return kExitUsage;
    }
    const std::map<std::string, int (*)(const CtlOptions&, const CtlEnvironment&)> commands = {
        {"ports", RunPorts},       {"identify", RunIdentify},
        {"read", RunRead},         {"watch", RunWatch},
        {"record", RunRecord},     {"download", RunDownload},
        {"schedule", RunSchedule}, {"clock", RunClock},
        {"find", RunFind},         {"reconfigure", RunReconfigure}};
    const bool takesFiles =
        o.command == "record" || o.command == "download" || o.command == "schedule";
    const bool takesList = o.command == "read" || o.command == "watch" || o.command == "record";
    if (!takesList && (o.addresses.size() > 1 || o.addressesFound))
        return Fail(env, o.command + " takes one --addr, not a list", kExitUsage);
    if (!takesFiles && !o.files.empty())
        return Fail(env, "unexpected argument '" + o.files[0] + "'", kExitUsage);
    return commands.at(o.command)(o, env);
}

}  // namespace qx::ctl
