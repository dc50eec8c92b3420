#pragma once
// What merido does with its command line before anything needs a display: --help and --version
// are answered on the terminal and end the program, so they work over ssh, in scripts and in a
// package check; a wrong option ends it with a usage error. Qt's own standard options
// (-platform, -style, -display, ...) are left for Qt to take.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

struct CommandLineOutcome {
    bool run = true;   // go on and open the window
    int exitCode = 0;  // the status to end with when not running: 0 after --help or --version,
                       // 2 after a usage error
    std::string out;   // text for standard output
    std::string err;   // text for standard error
};

// `args` are the arguments after the program name.
CommandLineOutcome ReadCommandLine(const std::vector<std::string_view>& args);

// For main(), before any Qt object exists: prints the outcome's texts and returns the status to
// end with, or nothing when the window is to open.
std::optional<int> HandleCommandLine(int argc, char** argv);

}  // namespace qx
