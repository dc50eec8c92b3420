#include "app/core/command_line.h"

#include <algorithm>
#include <cstdio>

namespace qx {
namespace {

constexpr const char* kHelp =
    "Usage: merido [OPTION]...\n"
    "Desktop program (Czech user interface) for a QX data-logging module with its WZ\n"
    "instrument on a serial bus: live values and their recording, the logging schedule,\n"
    "download of the record queue, table and graph of data files.\n"
    "\n"
    "  -h, --help     print this text and exit\n"
    "  -v, --version  print the version and exit\n"
    "\n"
    "Qt's standard options (-platform, -style, -display, -geometry, ...) are passed to Qt.\n"
    "\n"
    "The Setup page offers COM1..COM4; each names a serial device, chosen in the page's\n"
    "port mapping and kept in $XDG_CONFIG_HOME/Arbena/Sonvik.conf (~/.config/... by\n"
    "default), group [1.0], keys Ports\\COM1..Ports\\COM4 (default /dev/ttyS0../dev/ttyS3).\n"
    "The schedule file ROZVRH.QX is kept in the working directory.\n"
    "See merido(1).\n";

// Qt's standard options that take the next argument as their value; Qt reads them with one
// dash or two.
constexpr std::string_view kQtValueOptions[] = {
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "display",         "geometry",           "style",         "stylesheet"};
// Qt's standard options without a value, and those that carry it after "=".
constexpr std::string_view kQtFlagOptions[] = {"reverse", "widgetcount"};
constexpr std::string_view kQtJoinedOptions[] = {"style=", "stylesheet=", "qmljsdebugger="};

bool Contains(const auto& list, std::string_view name) {
    return std::find(std::begin(list), std::end(list), name) != std::end(list);
}

bool StartsWithAny(const auto& list, std::string_view name) {
    return std::any_of(std::begin(list), std::end(list),
                       [name](std::string_view prefix) { return name.starts_with(prefix); });
}

CommandLineOutcome UsageError(std::string message) {
    CommandLineOutcome outcome;
    outcome.run = false;
    outcome.exitCode = 2;
    outcome.err = "merido: " + message + "\nTry 'merido --help' for more information.\n";
    return outcome;
}

}  // namespace

CommandLineOutcome ReadCommandLine(const std::vector<std::string_view>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "-h" || arg == "--help") {
            return {.run = false, .exitCode = 0, .out = kHelp, .err = {}};
        }
        if (arg == "-v" || arg == "--version") {
            return {.run = false, .exitCode = 0, .out = "merido " MERIDO_VERSION "\n", .err = {}};
        }
        if (arg.size() < 2 || arg[0] != '-') {
            return UsageError("unexpected argument '" + std::string(arg) + "'");
        }
        const std::string_view name = arg.substr(arg.starts_with("--") ? 2 : 1);
        if (Contains(kQtValueOptions, name)) {
            if (i + 1 == args.size()) {
                return UsageError("option '" + std::string(arg) + "' needs a value");
            }
            ++i;
        } else if (!Contains(kQtFlagOptions, name) && !StartsWithAny(kQtJoinedOptions, name)) {
            return UsageError("unknown option '" + std::string(arg) + "'");
        }
    }
    return {};
}

std::optional<int> HandleCommandLine(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + std::min(argc, 1), argv + argc);
    const CommandLineOutcome outcome = ReadCommandLine(args);
    std::fputs(outcome.out.c_str(), stdout);
    std::fputs(outcome.err.c_str(), stderr);
    if (outcome.run) return std::nullopt;
    return outcome.exitCode;
}

}  // namespace qx
