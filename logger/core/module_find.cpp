#include "logger/core/module_find.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "link/core/comm_port.h"
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
ScanOutcome ReportModule(FindLink& link, Progress& progress, int addr, bool checksum) {
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
    const int instrument = DecimalAt(ReplyText(reply, checksum), 4, 11);
    if (instrument > 0) link.SetPollEntry(addr, instrument);
    std::snprintf(line, sizeof line, "  -->  OK  #%i", instrument);
    progress.Append(line);
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

ScanOutcome FindModule(FindLink& link, Progress& progress) {
    progress.Open("Vyhledávání aktuálního nastavení QX", 255);
    ScanOutcome outcome = ScanOutcome::kDone;
    unsigned baud = 1200;
    for (int code = 3; code <= 8 && outcome == ScanOutcome::kDone; ++code, baud *= 2) {
        for (bool checksum : {false, true}) {
            char line[64];
            std::snprintf(line, sizeof line, "BAUD = %u, CSUM = %s:", baud,
                          checksum ? "ON" : "OFF");
            progress.AddLine(line, -1);
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

}  // namespace qx
