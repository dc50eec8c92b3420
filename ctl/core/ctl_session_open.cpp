// What every command that talks to the module starts with: the link chosen from the options and
// the window's settings, its trace, its opening with the reason in words when it fails, and the
// one way a command reports a failure.

#include <chrono>
#include <memory>
#include <string>

#include "ctl/core/ctl_commands.h"
#include "link/core/port_holder.h"

namespace qx::ctl {
namespace {

using Clock = CtlSession::Clock;

std::string OpenErrorText(SerialDevice::OpenError why, const std::string& device) {
    switch (why) {
        case SerialDevice::OpenError::NotFound:
            return "the device does not exist (is the adapter plugged in?)";
        case SerialDevice::OpenError::Busy: {
            const auto holder = FindPortHolder(device);
            return "another program uses the port" +
                   (holder ? " (" + PortHolderText(*holder) + ")" : std::string());
        }
        case SerialDevice::OpenError::Permission:
            return "permission denied: add the user to the dialout group "
                   "(sudo usermod -aG dialout $USER) and log in again";
        default:
            return "the port cannot be opened or set up";
    }
}

}  // namespace

int Fail(const CtlEnvironment& env, const std::string& text, int code) {
    *env.err << "meridoctl: " << text << std::endl;
    return code;
}

std::string DescribeLink(const LinkChoice& c) {
    std::string port = c.name;
    if (c.name != c.device) port += " (" + c.device + ")";
    return port + ", " + std::to_string(BitRate(c.baudCode)) + " Bd, checksum " +
           (c.checksum ? "on" : "off") + ", address " + std::to_string(c.address);
}

CtlSession::Clock::time_point AnswerDeadline(const CtlOptions& o, double fallback) {
    const double s = o.timeout.value_or(fallback);
    return Clock::now() +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}

std::unique_ptr<CtlSession> MakeSession(const CtlOptions& o, const CtlEnvironment& env, int* exit) {
    auto session = std::make_unique<CtlSession>(env, ChooseLink(o, env.saved));
    if (!o.trace.empty() && !session->OpenTrace(o.trace)) {
        *exit = Fail(env, "cannot create the trace file " + o.trace, kExitUsage);
        return nullptr;
    }
    return session;
}

std::unique_ptr<CtlSession> OpenSession(const CtlOptions& o, const CtlEnvironment& env, int* exit) {
    auto session = MakeSession(o, env, exit);
    if (!session) return nullptr;
    const int rc = session->Open();
    if (rc != kOk) {
        const LinkChoice& c = session->Choice();
        const std::string port = c.name == c.device ? c.device : c.name + " (" + c.device + ")";
        *exit = Fail(
            env,
            "cannot use " + port + ": " + OpenErrorText(session->Port().LastOpenError(), c.device),
            kExitNoPort);
        return nullptr;
    }
    return session;
}

}  // namespace qx::ctl
