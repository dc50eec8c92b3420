#pragma once
// The commands of meridoctl. Each takes the parsed options and the environment, writes its
// result to the environment's streams and returns the exit code.

#include <memory>
#include <string>

#include "ctl/core/ctl_environment.h"
#include "ctl/core/ctl_options.h"
#include "ctl/core/ctl_session.h"

namespace qx::ctl {

int RunPorts(const CtlOptions& o, const CtlEnvironment& env);
int RunIdentify(const CtlOptions& o, const CtlEnvironment& env);
int RunRead(const CtlOptions& o, const CtlEnvironment& env);
int RunWatch(const CtlOptions& o, const CtlEnvironment& env);
int RunRecord(const CtlOptions& o, const CtlEnvironment& env);
int RunDownload(const CtlOptions& o, const CtlEnvironment& env);
int RunSchedule(const CtlOptions& o, const CtlEnvironment& env);
int RunClock(const CtlOptions& o, const CtlEnvironment& env);
int RunFind(const CtlOptions& o, const CtlEnvironment& env);
int RunReconfigure(const CtlOptions& o, const CtlEnvironment& env);

// Shared by the commands.

// "1 value", "2 values": a count with its noun.
std::string Counted(long long n, const std::string& noun);

// "meridoctl: TEXT" on standard error; returns `code`.
int Fail(const CtlEnvironment& env, const std::string& text, int code);

// A session with its trace, not yet open (the find opens it for every combination itself).
// Null after a failure, which has been reported; `exit` holds the code then.
std::unique_ptr<CtlSession> MakeSession(const CtlOptions& o, const CtlEnvironment& env, int* exit);
// The same, opened on the chosen port.
std::unique_ptr<CtlSession> OpenSession(const CtlOptions& o, const CtlEnvironment& env, int* exit);

// "COM1 (/dev/ttyS0), 9600 Bd, checksum off, address 10"
std::string DescribeLink(const LinkChoice& c);

// The time limit for a module to answer: --timeout, else `fallback` seconds.
CtlSession::Clock::time_point AnswerDeadline(const CtlOptions& o, double fallback);

}  // namespace qx::ctl
