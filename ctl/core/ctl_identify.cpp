// meridoctl identify: the module and its instrument at the chosen address, as text or JSON.

#include <string>

#include "ctl/core/ctl_commands.h"
#include "ctl/core/live_value.h"

namespace qx::ctl {
namespace {

// The identification, reported as a failure when it does not come.
int Identify(const CtlOptions& o, const CtlEnvironment& env, CtlSession& s, StationRecord* st) {
    const int address = s.Choice().address;
    switch (s.WaitIdentified(address, AnswerDeadline(o, 5), st)) {
        case CtlSession::Wait::kIdentified:
            return kExitDone;
        case CtlSession::Wait::kStopped:
            return Fail(env, "interrupted", kExitComm);
        case CtlSession::Wait::kTimeout:
            break;
    }
    if (s.Port().PortLost()) return Fail(env, "the port went away", kExitNoPort);
    return Fail(env, "no module answers on " + DescribeLink(s.Choice()), kExitComm);
}

std::string ModelName(const char* prefix, int model) {
    return prefix + std::to_string(model > 1000 ? model - 1000 : model);
}

std::string IdentityText(int address, const StationRecord& st) {
    const ConfigMeaning m = MeaningOf(st);
    char config[8];
    std::snprintf(config, sizeof config, "0x%02X", st.config & 0xFF);
    std::string text = "address        " + std::to_string(address) + "\n";
    text += "module         " + ModelName("QX", st.moduleModel) + "  (model " +
            std::to_string(st.moduleModel) + ", firmware " + std::to_string(st.moduleFirmware) +
            ")\n";
    if (st.state == 2) {
        text += "instrument     " + ModelName("WZ", st.instrumentModel) + "  (model " +
                std::to_string(st.instrumentModel) + ", firmware " +
                std::to_string(st.instrumentFirmware) + ", number " +
                (st.instrumentNumber > 0 ? std::to_string(st.instrumentNumber) : "none") + ")\n";
    } else {
        text += "instrument     none attached\n";
    }
    text += "configuration  " + std::string(st.config >= 0 ? config : "unknown");
    if (m.quantity >= 0) {
        text += "  " + std::string(QuantityKey(m.quantity));
        if (!m.rangeText.empty()) text += ", range " + m.rangeText;
    }
    return text + "\n";
}

std::string IdentityJson(const LinkChoice& c, const StationRecord& st) {
    const ConfigMeaning m = MeaningOf(st);
    std::string j = "{\"port\":" + JsonString(c.device) +
                    ",\"baud\":" + std::to_string(BitRate(c.baudCode)) +
                    ",\"checksum\":" + (c.checksum ? "true" : "false") +
                    ",\"address\":" + std::to_string(c.address) +
                    ",\"module\":{\"name\":" + JsonString(ModelName("QX", st.moduleModel)) +
                    ",\"model\":" + std::to_string(st.moduleModel) +
                    ",\"firmware\":" + std::to_string(st.moduleFirmware) + "},\"instrument\":";
    if (st.state == 2) {
        j += "{\"name\":" + JsonString(ModelName("WZ", st.instrumentModel)) +
             ",\"model\":" + std::to_string(st.instrumentModel) +
             ",\"firmware\":" + std::to_string(st.instrumentFirmware) + ",\"number\":" +
             (st.instrumentNumber > 0 ? std::to_string(st.instrumentNumber) : "null") + "}";
    } else {
        j += "null";
    }
    j += ",\"config\":" + (st.config >= 0 ? std::to_string(st.config) : "null");
    j += ",\"quantity\":" + (m.quantity >= 0 ? JsonString(QuantityKey(m.quantity)) : "null");
    j += ",\"unit\":" + (m.quantity >= 0 ? JsonString(m.unit) : "null");
    j += ",\"range\":" + (m.quantity >= 0 ? JsonString(m.rangeText) : "null");
    return j + "}";
}

}  // namespace

int RunIdentify(const CtlOptions& o, const CtlEnvironment& env) {
    int exit = 0;
    auto s = OpenSession(o, env, &exit);
    if (!s) return exit;
    StationRecord st;
    if (int rc = Identify(o, env, *s, &st)) return rc;
    *env.out << (o.json ? IdentityJson(s->Choice(), st) + "\n"
                        : IdentityText(s->Choice().address, st))
             << std::flush;
    return kExitDone;
}

}  // namespace qx::ctl
