#include "logger/core/module_find.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "link/core/baud_rate.h"
#include "link/core/link_result.h"
#include "link/core/pause_lease.h"
#include "link/core/protocol.h"

namespace qx {
namespace {

// A reply names the address it answers for and has the layout of its request. One that does
// not is a late reply to an earlier request (the line carried it past the retry) or another
// module's, not an answer from this address: taking it would list a module where there is none.
bool Answers(const std::string& request, const char* reply, bool checksum) {
    return ReplyAnswers(request, std::string_view(reply, strnlen(reply, kBufferSize)), checksum);
}

// One address that answered $AAM: its configuration and, when it has one, its instrument number.
// `instrument` gets the $AAN number, 0 when the module gives none.
ScanOutcome ReportModule(FindLink& link, Progress& progress, int addr, bool checksum,
                         int* instrument = nullptr) {
    char reply[kBufferSize + 1] = {};
    link.SetPollEntry(addr, -1);
    const std::string config = ReqConfig(addr);
    if (link.Send(config.c_str(), reply) != kOk || !Answers(config, reply, checksum))
        return ScanOutcome::kCommError;
    char line[64];
    std::snprintf(line, sizeof line, "    Addresa  %i  (%02Xh)", addr, addr);
    progress.AddLine(line, addr);
    const int flags = HexPairAt(ReplyText(reply, checksum), 8);
    if (flags < 0 || (flags & kFlagNumber) == 0) {
        progress.Append("  -->  OK");
        return ScanOutcome::kDone;
    }
    std::memset(reply, 0, sizeof reply);
    const std::string number = ReqInstrumentNumber(addr);
    if (link.Send(number.c_str(), reply) != kOk || !Answers(number, reply, checksum))
        return ScanOutcome::kCommError;
    const int found = DecimalAt(ReplyText(reply, checksum), 4, 11);
    if (found > 0) link.SetPollEntry(addr, found);
    if (instrument != nullptr) *instrument = found;
    std::snprintf(line, sizeof line, "  -->  OK  #%i", found);
    progress.Append(line);
    return ScanOutcome::kDone;
}

constexpr const char* kFindTitle = "Vyhledávání aktuálního nastavení QX";

void ComboHeading(Progress& progress, int baudCode, bool checksum) {
    char line[64];
    std::snprintf(line, sizeof line, "BAUD = %i, CSUM = %s:", BitRate(baudCode),
                  checksum ? "ON" : "OFF");
    progress.AddLine(line, -1);
}

// The quick find's order of combinations: the saved one, its other checksum mode, then the
// other baud rates from the fastest down, each with the saved checksum mode first.
std::vector<ModuleSettingsGuess> QuickOrder(const ModuleSettingsGuess& saved) {
    std::vector<ModuleSettingsGuess> order;
    order.push_back({saved.baudCode, saved.checksum, saved.address});
    order.push_back({saved.baudCode, !saved.checksum, saved.address});
    for (int code = 8; code >= 3; --code) {
        if (code == saved.baudCode) continue;
        order.push_back({code, saved.checksum, saved.address});
        order.push_back({code, !saved.checksum, saved.address});
    }
    return order;
}

// One combination of the quick find: the saved address first, then 0..255 without it.
ScanOutcome QuickScan(FindLink& link, Progress& progress, const ModuleSettingsGuess& combo,
                      QuickFindResult& result) {
    link.ClearPollList();
    for (int step = 0; step <= 256; ++step) {
        const int addr = step == 0 ? combo.address : step - 1;
        if (step > 0 && addr == combo.address) continue;
        if (progress.Cancelled()) return ScanOutcome::kCancelled;
        progress.Move(addr);
        char reply[kBufferSize + 1] = {};
        const std::string model = ReqModel(addr);
        if (link.Probe(model.c_str(), reply) != kOk || !Answers(model, reply, combo.checksum))
            continue;
        const ScanOutcome outcome =
            ReportModule(link, progress, addr, combo.checksum, &result.instrumentNumber);
        if (outcome == ScanOutcome::kDone) result.found = {combo.baudCode, combo.checksum, addr};
        return outcome;
    }
    return ScanOutcome::kDone;
}

}  // namespace

ScanOutcome ScanAddresses(FindLink& link, Progress& progress, bool checksum) {
    link.ClearPollList();
    for (int addr = 0; addr <= 255; ++addr) {
        if (progress.Cancelled()) return ScanOutcome::kCancelled;
        progress.Move(addr);
        char reply[kBufferSize + 1] = {};
        const std::string model = ReqModel(addr);
        if (link.Send(model.c_str(), reply) != kOk || !Answers(model, reply, checksum))
            continue;  // nobody there
        const ScanOutcome outcome = ReportModule(link, progress, addr, checksum);
        if (outcome != ScanOutcome::kDone) return outcome;
    }
    return ScanOutcome::kDone;
}

std::vector<int> AnsweringAddresses(FindLink& link, Progress& progress, bool checksum) {
    std::vector<int> found;
    for (int addr = 0; addr <= 254 && !progress.Cancelled(); ++addr) {
        progress.Move(addr);
        char reply[kBufferSize + 1] = {};
        const std::string model = ReqModel(addr);
        if (link.Probe(model.c_str(), reply) == kOk && Answers(model, reply, checksum))
            found.push_back(addr);
    }
    return found;
}

ScanOutcome FindModule(FindLink& link, Progress& progress) {
    progress.Open(kFindTitle, 255);
    ScanOutcome outcome = ScanOutcome::kDone;
    for (int code = 3; code <= 8 && outcome == ScanOutcome::kDone; ++code) {
        for (bool checksum : {false, true}) {
            ComboHeading(progress, code, checksum);
            if (link.Reopen(code, checksum) != kOk) {
                outcome = ScanOutcome::kOpenFailed;
                break;
            }
            PauseLease lease(link);  // released on every path: the poller must never stay parked
            outcome = ScanAddresses(link, progress, checksum);
            if (outcome != ScanOutcome::kDone) break;
        }
    }
    if (outcome == ScanOutcome::kCommError) progress.AddLine("Chyba při komunikaci !", -1);
    progress.AddLine("KONEC", -1);
    progress.Finish(true);
    return outcome;
}

QuickFindResult FindModuleQuick(FindLink& link, Progress& progress,
                                const ModuleSettingsGuess& saved) {
    progress.Open(kFindTitle, 255);
    QuickFindResult result;
    for (const ModuleSettingsGuess& combo : QuickOrder(saved)) {
        ComboHeading(progress, combo.baudCode, combo.checksum);
        if (link.Reopen(combo.baudCode, combo.checksum) != kOk) {
            result.outcome = ScanOutcome::kOpenFailed;
            break;
        }
        PauseLease lease(link);
        result.outcome = QuickScan(link, progress, combo, result);
        if (result.outcome != ScanOutcome::kDone || result.found.address >= 0) break;
    }
    if (result.outcome == ScanOutcome::kCommError) progress.AddLine("Chyba při komunikaci !", -1);
    progress.AddLine("KONEC", -1);
    progress.Finish(true);
    return result;
}

}  // namespace qx
