// The commands that listen to the poller: identify, read, watch and record.

#include <cmath>
#include <limits>
#include <optional>

#include "ctl/core/ctl_commands.h"
#include "ctl/core/live_value.h"
#include "ctl/core/mqtt_publisher.h"
#include "link/core/port_holder.h"
#include "measure/core/online_model.h"
#include "measure/core/recorder.h"
#include "measure/core/station_status.h"

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

void PrintValue(const CtlOptions& o, const CtlEnvironment& env, const LiveValue& v) {
    if (o.format == "json") {
        *env.out << LiveValueJson(v) << std::endl;
    } else if (o.format == "csv") {
        *env.out << LiveValueCsv(v) << std::endl;
    } else {
        *env.out << LiveValueText(v) << std::endl;
    }
}

// When a stream of values ends: after `count` values, at `duration`, or on a signal.
struct StreamEnd {
    std::optional<long> count;
    Clock::time_point deadline = Clock::time_point::max();

    explicit StreamEnd(const CtlOptions& o) : count(o.count) {
        if (o.duration) {
            deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(*o.duration));
        }
    }
};

// Tells the user on standard error when the module goes or comes back: a service's log then
// shows the gaps in its values.
class StationWatch {
  public:
    StationWatch(const CtlEnvironment& env, int address) : env_(env), address_(address) {}
    void Changed(const LinkEvent& e) {
        if (e.address != address_ || e.station.state == state_) return;
        const bool wasThere = state_ != 0;
        state_ = e.station.state;
        if (state_ == 0 && wasThere) {
            lost_ = true;
            *env_.err << "meridoctl: the module at address " << address_ << " does not answer"
                      << std::endl;
        } else if (state_ == 2 && lost_) {
            lost_ = false;
            const StationStatus s = StationStatusOf(e.station);
            *env_.err << "meridoctl: the module at address " << address_
                      << " answers again: " << s.moduleText << " " << s.instrumentText << std::endl;
        }
    }

  private:
    const CtlEnvironment& env_;
    int address_;
    int state_ = 0;
    bool lost_ = false;  // said that it does not answer
};

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

int RunRead(const CtlOptions& o, const CtlEnvironment& env) {
    int exit = 0;
    auto s = OpenSession(o, env, &exit);
    if (!s) return exit;
    StationRecord st;
    if (int rc = Identify(o, env, *s, &st)) return rc;
    const int address = s->Choice().address;
    if (st.state != 2)
        return Fail(env,
                    "no instrument is attached to the module at address " + std::to_string(address),
                    kExitComm);
    const auto deadline = AnswerDeadline(o, 5);
    LinkEvent e;
    while (s->Next(e, deadline)) {
        if (e.message != kValueRead || e.address != address) continue;
        if (o.format == "csv") *env.out << LiveValueCsvHeader() << "\n";
        PrintValue(o, env, {1, e.at, address, e.station});
        return kExitDone;
    }
    return Fail(env, env.Stopped() ? "interrupted" : "no value came in time", kExitComm);
}

int RunWatch(const CtlOptions& o, const CtlEnvironment& env) {
    std::unique_ptr<MqttPublisher> publisher;
    if (!o.mqtt.empty()) {
        std::string problem;
        const auto target = ParseMqttUrl(o.mqtt, &problem);
        if (!target)
            return Fail(env, "invalid MQTT address '" + o.mqtt + "': " + problem, kExitUsage);
        publisher = std::make_unique<MqttPublisher>(*target, static_cast<std::size_t>(o.mqttQueue));
    }
    int exit = 0;
    auto s = OpenSession(o, env, &exit);
    if (!s) return exit;
    if (publisher) publisher->Start();
    const int address = s->Choice().address;
    s->Listen(address);
    if (!o.quiet && o.format == "csv") *env.out << LiveValueCsvHeader() << std::endl;
    const StreamEnd end(o);
    // Without --timeout the module may come later: a service waits for its bus.
    const auto firstBy = o.timeout ? AnswerDeadline(o, 0) : Clock::time_point::max();
    StationWatch watch(env, address);
    long seq = 0;
    std::uint64_t droppedSeen = 0;
    LinkEvent e;
    while (!(end.count && seq >= *end.count)) {
        if (!s->Next(e, std::min(end.deadline, seq == 0 ? firstBy : end.deadline))) {
            if (seq == 0 && !env.Stopped() && Clock::now() >= firstBy &&
                Clock::now() < end.deadline)
                exit =
                    Fail(env, "no value came in time from " + DescribeLink(s->Choice()), kExitComm);
            break;
        }
        if (e.message == kStationChanged) watch.Changed(e);
        if (e.message != kValueRead || e.address != address) continue;
        const LiveValue v{++seq, e.at, address, e.station};
        if (!o.quiet) PrintValue(o, env, v);
        if (!publisher) continue;
        publisher->Publish(LiveValueJson(v));
        if (publisher->Dropped() != droppedSeen) {
            droppedSeen = publisher->Dropped();
            if (droppedSeen == 1 || droppedSeen % 1000 == 0)
                Fail(env,
                     "the MQTT queue is full: the oldest values are being dropped (" +
                         std::to_string(droppedSeen) + " so far)",
                     0);
        }
    }
    if (publisher) {
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::duration<double>(o.mqttWait));
        const std::size_t left = publisher->Flush(wait);
        publisher->Stop();
        if (left > 0 || publisher->Dropped() > 0) {
            std::string text =
                Counted(static_cast<long long>(publisher->Dropped() + left), "value") +
                " did not reach the broker";
            if (!publisher->LastError().empty()) text += ": " + publisher->LastError();
            exit = Fail(env, text, kExitComm);
        }
    }
    return exit;
}

int RunRecord(const CtlOptions& o, const CtlEnvironment& env) {
    if (o.files.size() != 1) return Fail(env, "record needs one FILE", kExitUsage);
    const std::string& path = o.files[0];
    int exit = 0;
    auto s = OpenSession(o, env, &exit);
    if (!s) return exit;
    // The On-line page's recording: every value of the address, one data line each.
    Recorder recorder(env.clock);
    if (!recorder.OpenFile(path))
        return Fail(env, "cannot create the data file " + path, kExitUsage);
    ModelsInUse models;
    OnlineModel online(&models);
    const int address = s->Choice().address;
    online.SetSelectedAddress(address);
    s->Listen(address);
    const StreamEnd end(o);
    const auto firstBy = o.timeout ? AnswerDeadline(o, 0) : Clock::time_point::max();
    StationWatch watch(env, address);
    long lines = 0;
    LinkEvent e;
    while (!(end.count && lines >= *end.count)) {
        if (!s->Next(e, std::min(end.deadline, lines == 0 ? firstBy : end.deadline))) {
            if (lines == 0 && !env.Stopped() && Clock::now() >= firstBy &&
                Clock::now() < end.deadline)
                exit =
                    Fail(env, "no value came in time from " + DescribeLink(s->Choice()), kExitComm);
            break;
        }
        if (e.message == kStationChanged) watch.Changed(e);
        if (e.message != kValueRead || !online.OnValue(e.address, e.station)) continue;
        const Recorder::Step step = recorder.WriteRecord(e.address, e.tenths, e.station);
        if (step == Recorder::Step::Failed) {
            exit = Fail(env, "cannot write to " + path + "; the lines before stay", kExitComm);
            break;
        }
        if (step == Recorder::Step::Written) ++lines;
    }
    recorder.CloseFile();
    if (o.json) {
        *env.out << "{\"file\":" << JsonString(path) << ",\"lines\":" << lines << "}" << std::endl;
    } else {
        *env.out << Counted(lines, "line") << " written to " << path << std::endl;
    }
    return exit;
}

}  // namespace qx::ctl
