#pragma once
// meridoctl's entry: parses the command line and runs the command.

#include <string>
#include <vector>

#include "ctl/core/ctl_environment.h"

namespace qx::ctl {

// `args` are the arguments after the program name. Returns the exit code.
int RunCtl(const std::vector<std::string>& args, const CtlEnvironment& env);

// The overview, or one command's help.
std::string HelpText(const std::string& command);

}  // namespace qx::ctl
