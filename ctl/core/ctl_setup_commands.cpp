// The commands about the port and the module's own settings: ports, find and reconfigure.

#include <unistd.h>

#include <cstdio>
#include <vector>

#include "ctl/core/ctl_commands.h"
#include "ctl/core/ctl_progress.h"
#include "ctl/core/live_value.h"
#include "link/core/comm_port_find_link.h"
#include "link/core/pause_lease.h"
#include "link/core/serial_ports.h"
#include "logger/core/module_find.h"
#include "logger/core/reconfigure.h"

namespace qx::ctl {
namespace {

struct FoundModule {
    int baudCode = 0;
    bool checksum = false;
    int address = 0;
    int instrumentNumber = 0;
};

// The full find as the link sees it, noting each module the scan enters into the poll list: an
// address that answered, then its instrument number when it gives one.
class NotingFindLink : public FindLink {
  public:
    explicit NotingFindLink(FindLink& inner) : inner_(inner) {}
    int Reopen(int baudCode, bool checksum) override {
        baudCode_ = baudCode;
        checksum_ = checksum;
        return inner_.Reopen(baudCode, checksum);
    }
    void RequestPause() override { inner_.RequestPause(); }
    void ReleasePause() override { inner_.ReleasePause(); }
    int Send(const char* request, char* reply) override { return inner_.Send(request, reply); }
    int Probe(const char* request, char* reply) override { return inner_.Probe(request, reply); }
    void ClearPollList() override { inner_.ClearPollList(); }
    void SetPollEntry(int addr, int entry) override {
        inner_.SetPollEntry(addr, entry);
        if (entry == -1) {
            found.push_back({baudCode_, checksum_, addr, 0});
        } else if (!found.empty()) {
            found.back().instrumentNumber = entry;
        }
    }

    std::vector<FoundModule> found;

  private:
    FindLink& inner_;
    int baudCode_ = 0;
    bool checksum_ = false;
};

std::string FoundText(const FoundModule& m) {
    char text[120];
    std::snprintf(text, sizeof text, "address %d (%02Xh), %d Bd, checksum %s", m.address, m.address,
                  BitRate(m.baudCode), m.checksum ? "on" : "off");
    std::string out = text;
    if (m.instrumentNumber > 0) out += ", instrument " + std::to_string(m.instrumentNumber);
    return out;
}

std::string FoundJson(const FoundModule& m) {
    return "{\"address\":" + std::to_string(m.address) +
           ",\"baud\":" + std::to_string(BitRate(m.baudCode)) +
           ",\"checksum\":" + (m.checksum ? "true" : "false") + ",\"instrument\":" +
           (m.instrumentNumber > 0 ? std::to_string(m.instrumentNumber) : "null") + "}";
}

int FindOutcomeExit(const CtlEnvironment& env, ScanOutcome outcome, bool any) {
    switch (outcome) {
        case ScanOutcome::kCancelled:
            return Fail(env, "interrupted", kExitComm);
        case ScanOutcome::kOpenFailed:
            return Fail(env, "the port cannot be opened", kExitNoPort);
        case ScanOutcome::kCommError:
            return Fail(env, "a module answered and then fell silent", kExitComm);
        case ScanOutcome::kDone:
            break;
    }
    return any ? kExitDone : Fail(env, "no module found", kExitComm);
}

}  // namespace

int RunPorts(const CtlOptions& o, const CtlEnvironment& env) {
    // The devices as the window's port mapping lists them, each marked when this user may not
    // open it: otherwise the first sign would be a refused open in the middle of a job.
    std::string text, json = "{\"com\":[";
    auto markAccess = [&](const std::string& path, std::string* line, std::string* item) {
        const auto group = DeniedAccessGroup(env.root + path);
        if (group && group->empty()) *line += "  (no permission)";
        if (group && !group->empty()) *line += "  (no permission: join the " + *group + " group)";
        *item += ",\"permission\":" + std::string(group ? "false" : "true") +
                 ",\"group\":" + (group && !group->empty() ? JsonString(*group) : "null") + "}";
    };
    for (int i = 0; i < kComPorts; ++i) {
        const std::string& path = env.saved.comPaths[ComIndex(i)];
        const bool present = ::access((env.root + path).c_str(), F_OK) == 0;
        std::string line = ComName(i) + "  " + path;
        std::string item = std::string(i ? "," : "") + "{\"name\":\"" + ComName(i) +
                           "\",\"device\":" + JsonString(path) +
                           ",\"present\":" + (present ? "true" : "false");
        if (present) {
            markAccess(path, &line, &item);
        } else {
            line += "  (missing)";
            item += ",\"permission\":null,\"group\":null}";
        }
        text += line + "\n";
        json += item;
    }
    json += "],\"devices\":[";
    const std::vector<SerialPortEntry> ports = ListSerialPorts(env.root);
    for (std::size_t i = 0; i < ports.size(); ++i) {
        std::string line =
            ports[i].path + (ports[i].description.empty() ? "" : "  " + ports[i].description);
        std::string item = std::string(i ? "," : "") + "{\"device\":" + JsonString(ports[i].path) +
                           ",\"description\":" + JsonString(ports[i].description);
        markAccess(ports[i].path, &line, &item);
        text += line + "\n";
        json += item;
    }
    if (ports.empty()) text += "no serial devices found\n";
    *env.out << (o.json ? json + "]}\n" : text) << std::flush;
    return kExitDone;
}

int RunFind(const CtlOptions& o, const CtlEnvironment& env) {
    int exit = 0;
    auto s = MakeSession(o, env, &exit);
    if (!s) return exit;
    const LinkChoice& c = s->Choice();
    TCommPortFindLink portLink(s->Port(), c.portIndex, s.get());
    NotingFindLink link(portLink);
    CtlProgress progress(env, "trying address");
    std::vector<FoundModule> found;
    ScanOutcome outcome = ScanOutcome::kDone;
    if (o.fast) {
        const QuickFindResult r =
            FindModuleQuick(link, progress, {c.baudCode, c.checksum, c.address});
        outcome = r.outcome;
        if (r.found.address >= 0)
            found.push_back(
                {r.found.baudCode, r.found.checksum, r.found.address, r.instrumentNumber});
    } else {
        outcome = FindModule(link, progress);
        found = link.found;
        // The last module entered did not answer its next request: it is no find.
        if (outcome == ScanOutcome::kCommError && !found.empty()) found.pop_back();
    }
    s->Port().Close();
    std::string text, json;
    for (const FoundModule& m : found) {
        text += FoundText(m) + "\n";
        json += std::string(json.empty() ? "" : ",") + FoundJson(m);
    }
    *env.out << (o.json ? "{\"found\":[" + json + "]}\n" : text) << std::flush;
    return FindOutcomeExit(env, outcome, !found.empty());
}

int RunReconfigure(const CtlOptions& o, const CtlEnvironment& env) {
    if (!o.newAddress && !o.newBaudCode && !o.newChecksum)
        return Fail(env, "reconfigure needs --new-addr, --new-baud or --new-csum", kExitUsage);
    int exit = 0;
    auto s = OpenSession(o, env, &exit);
    if (!s) return exit;
    const LinkChoice& c = s->Choice();
    ReconfigureRequest request;
    request.address = c.address;
    request.newAddress = o.newAddress.value_or(c.address);
    request.baudItem = o.newBaudCode.value_or(c.baudCode) - 3;
    request.checksum = o.newChecksum.value_or(c.checksum);
    TransactionResult result;
    {
        PauseLease hold(s->Port());
        result = Reconfigure(s->LinkExchange(), request);
    }
    if (!result.refusal.empty()) return Fail(env, result.refusal, kExitComm);
    if (result.code != kOk) return Fail(env, LinkErrorText(result.code), ExitCodeOf(result.code));
    const int baud = BitRate(request.baudItem + 3);
    if (o.json) {
        *env.out << "{\"address\":" << request.newAddress << ",\"baud\":" << baud
                 << ",\"checksum\":" << (request.checksum ? "true" : "false") << "}" << std::endl;
    } else {
        *env.out << "the module answers at address " << request.newAddress << " now; " << baud
                 << " Bd and checksum " << (request.checksum ? "on" : "off")
                 << " take effect once its power has been switched off and on" << std::endl;
    }
    return kExitDone;
}

}  // namespace qx::ctl
