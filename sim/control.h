#pragma once
// Text commands that steer a running simulator: faults, instrument, power and line. The qxsim
// program reads them from its standard input; tests may call them directly.

#include <string>
#include <string_view>

#include "sim/module_settings.h"

namespace qx::sim {

class Simulator;

// Executes one command line. Returns "ok", "ok <details>" or "error: <why>".
std::string ExecuteControl(Simulator& sim, std::string_view line);

// The list of control commands, one per line, for --help and the "help" command.
const char* ControlHelp();

// Parses a module description "key=value,key=value,..." over the defaults in `out`.
// Keys: addr, baud (code 3..8 or bit rate), csum, model, fw, inst, ifw, number, flags, config,
// attached, queue. Numbers are decimal; addr, flags and config also take a 0x prefix for
// hexadecimal.
bool ParseModuleItems(std::string_view items, ModuleSettings* out, std::string* error);

}  // namespace qx::sim
