// The commands that hold the bus for one transaction: download, schedule and clock.

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "ctl/core/ctl_commands.h"
#include "ctl/core/ctl_progress.h"
#include "ctl/core/live_value.h"
#include "ctl/core/resume_toggle.h"
#include "data/core/queue_download.h"
#include "link/core/pause_lease.h"
#include "link/core/protocol.h"
#include "logger/core/clock_compare.h"
#include "logger/core/schedule_file.h"
#include "logger/core/shed_readback.h"
#include "logger/core/shed_requests.h"
#include "logger/core/shed_transfer.h"
#include "measure/core/models_in_use.h"
#include "measure/core/station_status.h"

namespace qx::ctl {
namespace {

const char* ResultName(int code) {
    switch (code) {
        case kOk:
            return "ok";
        case kTimeoutError:
            return "timeout";
        case kChecksumError:
            return "checksum";
        case kPortNotAvailable:
            return "port";
        default:
            return "error";
    }
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Schedule send and check need the models of the module and instrument that will log: they
// decide the configuration byte of current and voltage, as on the Schedule page.
BusServices Services(CtlSession& s, CtlProgress& progress, const CtlEnvironment& env,
                     const ModelsInUse& models, TransactionResult& reported) {
    BusServices b;
    b.exchange = s.LinkExchange();
    b.poller = &s.Port();
    b.progress = &progress;
    b.clock = env.clock;
    b.encode = [&models](int q, int r, int i) { return models.EncodeConfig(q, r, i); };
    b.report = [&reported](const TransactionResult& result, const char*) { reported = result; };
    return b;
}

// A configuration byte "0x11" with what it stands for with the station's models, as identify
// shows it: "0x11 (voltage, range 39.99)".
std::string ConfigText(const std::string& byte, StationRecord st) {
    if (byte.size() != 4 || byte.compare(0, 2, "0x") != 0) return byte;
    st.config = HexPairAt(byte, 3);
    const ConfigMeaning m = MeaningOf(st);
    if (m.quantity < 0) return byte;
    return byte + " (" + QuantityKey(m.quantity) +
           (m.rangeText.empty() ? "" : ", range " + m.rangeText) + ")";
}

// "file 2:00, module 1:00" for an index's field; "PC ..., module ... (11 s behind)" for the clock.
std::string FieldText(const CheckVerdict& v, const CheckField& f, const StationRecord& st) {
    if (f.name == "configuration") {
        return f.name + ": file " + ConfigText(f.file, st) + ", module " + ConfigText(f.module, st);
    }
    if (v.item != 0) return f.name + ": file " + f.file + ", module " + f.module;
    std::string text = "PC " + f.file + ", module " + f.module;
    if (v.offsetS && *v.offsetS != 0) {
        text += " (" + std::to_string(std::llabs(*v.offsetS)) + " s " +
                (*v.offsetS < 0 ? "behind)" : "ahead)");
    }
    return text;
}

std::string FieldsJson(const std::vector<CheckField>& fields) {
    std::string json;
    for (const CheckField& f : fields) {
        json += std::string(json.empty() ? "" : ",") + "{\"field\":" + JsonString(f.name) +
                ",\"file\":" + JsonString(f.file) + ",\"module\":" + JsonString(f.module) + "}";
    }
    return "[" + json + "]";
}

// The schedule check's verdicts: the clock, each index, the enable mask, and for each item that
// differs how it differs.
int PrintCheck(const CtlOptions& o, const CtlEnvironment& env,
               const std::vector<CheckVerdict>& verdicts, const StationRecord& st) {
    int differences = 0;
    std::string text, json;
    for (const CheckVerdict& v : verdicts) {
        differences += v.differs ? 1 : 0;
        const bool clock = v.item == 0;
        const bool index = v.item >= 1 && v.item <= kShedEntries;
        std::string item = clock ? "clock" : index ? "index " + std::to_string(v.item) : "enables";
        const std::string verdict = !v.differs ? "ok"
                                    : clock    ? "differs by more than 10 s"
                                               : "differs";
        item.resize(std::max<std::size_t>(item.size(), 10), ' ');
        text += item + "  " + verdict + "\n";
        if (v.differs) {
            for (const CheckField& f : v.fields)
                text += std::string(12, ' ') + FieldText(v, f, st) + "\n";
        }
        if (!json.empty()) json += ",";
        json += "{\"item\":" +
                JsonString(clock   ? "clock"
                           : index ? "index"
                                   : "enables") +
                (index ? ",\"index\":" + std::to_string(v.item) : "") +
                ",\"same\":" + (v.differs ? "false" : "true");
        if (clock && !v.fields.empty()) {
            json += ",\"pc\":" + JsonString(v.fields[0].file) +
                    ",\"module\":" + JsonString(v.fields[0].module) +
                    ",\"offset_s\":" + (v.offsetS ? std::to_string(*v.offsetS) : "null");
        } else if (!clock) {
            json += ",\"fields\":" + FieldsJson(v.fields);
        }
        json += "}";
    }
    if (o.json) {
        *env.out << "{\"differences\":" << differences << ",\"items\":[" << json << "]}"
                 << std::endl;
    } else {
        *env.out << text << std::flush;
    }
    return differences > 0 ? kExitDifferences : kExitDone;
}

int ScheduleWithFile(const CtlOptions& o, const CtlEnvironment& env) {
    if (o.files.size() != 1) return Fail(env, "schedule " + o.sub + " needs one FILE", kExitUsage);
    const std::filesystem::path file = o.files[0];
    Schedule schedule;
    if (!ReadScheduleFileAt(file, schedule))
        return Fail(env, "cannot read the schedule file " + file.string(), kExitUsage);
    int exit = 0;
    auto s = OpenSession(o, env, &exit);
    if (!s) return exit;
    StationRecord st;
    const int address = s->Choice().address;
    switch (s->WaitIdentified(address, AnswerDeadline(o, 5), &st)) {
        case CtlSession::Wait::kIdentified:
            break;
        case CtlSession::Wait::kStopped:
            return Fail(env, "interrupted", kExitComm);
        case CtlSession::Wait::kTimeout:
            return Fail(env, "no module answers on " + DescribeLink(s->Choice()),
                        s->Port().PortLost() ? kExitNoPort : kExitComm);
    }
    ModelsInUse models;
    AdoptModels(st, &models);
    CtlProgress progress(env, o.sub == "send" ? "sending the schedule" : "checking the schedule");
    TransactionResult result;
    TShedTransfer transfer(Services(*s, progress, env, models, result));
    if (o.sub == "send") {
        // The request log goes beside the schedule file, where the window keeps both.
        const std::filesystem::path logDir = file.has_parent_path() ? file.parent_path() : ".";
        result = transfer.Send(address, schedule, logDir);
    } else {
        result = transfer.Check(address, schedule);
    }
    if (!result.refusal.empty())
        return Fail(env, "the schedule cannot go to the module: " + result.refusal, kExitUsage);
    if (result.code != kOk)
        return Fail(env, "schedule " + o.sub + " stopped: " + LinkErrorText(result.code),
                    ExitCodeOf(result.code));
    if (o.sub == "check") return PrintCheck(o, env, transfer.CheckVerdicts(), st);
    if (o.json) {
        *env.out << "{\"sent\":true,\"address\":" << address << "}" << std::endl;
    } else {
        *env.out << "schedule and clock sent to the module at address " << address << std::endl;
    }
    return kExitDone;
}

int ScheduleClear(const CtlOptions& o, const CtlEnvironment& env) {
    int exit = 0;
    auto s = OpenSession(o, env, &exit);
    if (!s) return exit;
    CtlProgress progress(env, "dropping records");
    ModelsInUse models;
    TransactionResult result;
    TShedTransfer transfer(Services(*s, progress, env, models, result));
    result = transfer.Clear(s->Choice().address);
    const int cleared = transfer.ClearedCount();
    if (result.code != kOk) {
        return Fail(env,
                    "clearing stopped after " + Counted(cleared, "record") + ": " +
                        LinkErrorText(result.code),
                    ExitCodeOf(result.code));
    }
    if (o.json) {
        *env.out << "{\"cleared\":" << cleared
                 << ",\"interrupted\":" << (env.Stopped() ? "true" : "false") << "}" << std::endl;
    } else {
        *env.out << Counted(cleared, "record") << " dropped from the queue" << std::endl;
    }
    return env.Stopped() ? Fail(env, "interrupted", kExitComm) : kExitDone;
}

}  // namespace

int RunDownload(const CtlOptions& o, const CtlEnvironment& env) {
    if (o.files.size() != 1) return Fail(env, "download needs one FILE", kExitUsage);
    const std::string& path = o.files[0];
    if (Exists(path) && !o.force)
        return Fail(env, path + " exists; --force replaces it", kExitUsage);
    int exit = 0;
    auto s = OpenSession(o, env, &exit);
    if (!s) return exit;
    DataFileWriter file;
    if (!file.Create(path)) return Fail(env, "cannot create the data file " + path, kExitUsage);
    const LinkChoice& c = s->Choice();
    CtlProgress progress(env, "reading records");
    DownloadResult r;
    {
        PauseLease hold(s->Port());
        const int start = LoadResumeToggle(env.stateDir, c.device, c.address);
        r = DownloadQueue(s->LinkExchange(), c.address, file, progress, start);
    }
    SaveResumeToggle(env.stateDir, c.device, c.address, r.result != 0 ? r.nextToggle : 0);
    if (o.json) {
        *env.out << "{\"file\":" << JsonString(path) << ",\"written\":" << r.written
                 << ",\"requests\":" << r.requests << ",\"fill\":" << r.fillCount
                 << ",\"result\":\"" << ResultName(r.result)
                 << "\",\"interrupted\":" << (r.cancelled ? "true" : "false") << "}" << std::endl;
    } else {
        *env.out << Counted(r.written, "record") << " written to " << path << " ("
                 << Counted(r.requests, "request") << "; the module reported " << r.fillCount << ")"
                 << std::endl;
    }
    if (r.result != kOk) {
        return Fail(env,
                    "download stopped: " + LinkErrorText(r.result) +
                        "; the next download asks again for the record that was lost",
                    ExitCodeOf(r.result));
    }
    if (r.writeFailed) return Fail(env, "cannot write to " + path, kExitComm);
    if (r.cancelled) return Fail(env, "interrupted; the rest stays in the module", kExitComm);
    return kExitDone;
}

int RunSchedule(const CtlOptions& o, const CtlEnvironment& env) {
    if (o.sub == "send" || o.sub == "check") return ScheduleWithFile(o, env);
    if (o.sub == "clear") return ScheduleClear(o, env);
    return Fail(env, "schedule needs send FILE, check FILE or clear", kExitUsage);
}

int RunClock(const CtlOptions& o, const CtlEnvironment& env) {
    if (o.sub != "show" && o.sub != "set") return Fail(env, "clock needs show or set", kExitUsage);
    int exit = 0;
    auto s = OpenSession(o, env, &exit);
    if (!s) return exit;
    const int address = s->Choice().address;
    const LocalTime now = env.clock();
    std::string reply;
    int rc = kOk;
    {
        PauseLease hold(s->Port());
        const std::string request =
            o.sub == "set" ? WriteClockRequest(address, now) : ReqReadClock(address);
        rc = ExchangeText(s->LinkExchange(), request, reply);
    }
    if (rc != kOk) return Fail(env, LinkErrorText(rc), ExitCodeOf(rc));
    const std::string_view text = ReplyText(reply, s->Choice().checksum);
    if (text.empty() || text[0] != '!') return Fail(env, "the module refused", kExitComm);
    if (o.sub == "set") {
        if (o.json) {
            *env.out << "{\"set\":" << JsonString(ClockText(now)) << "}" << std::endl;
        } else {
            *env.out << "clock of the module at address " << address << " set to " << ClockText(now)
                     << std::endl;
        }
        return kExitDone;
    }
    LocalTime module;
    module.hour = DecimalAt(text, 4, 5);
    module.minute = DecimalAt(text, 6, 7);
    module.second = DecimalAt(text, 8, 9);
    module.day = DecimalAt(text, 10, 11);
    module.month = DecimalAt(text, 12, 13);
    module.year = 2000 + DecimalAt(text, 14, 15);
    const bool agrees = ClockReplyAgrees(reply, address, now, 10);
    if (o.json) {
        *env.out << "{\"module\":" << JsonString(ClockText(module))
                 << ",\"pc\":" << JsonString(ClockText(now))
                 << ",\"within10s\":" << (agrees ? "true" : "false") << "}" << std::endl;
    } else {
        *env.out << "module  " << ClockText(module) << "\nPC      " << ClockText(now) << "\n"
                 << (agrees ? "within 10 s of the PC" : "more than 10 s from the PC") << std::endl;
    }
    return kExitDone;
}

}  // namespace qx::ctl
