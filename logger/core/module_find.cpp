#include "logger/core/module_find.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "link/core/comm_port.h"
#include "link/core/protocol.h"

namespace qx {
namespace {

// The reply's text without the checksum digits and the CR, so that a number that does not fill
// its field cannot run into the checksum digits.
std::string_view ReplyText(const char* reply, bool checksum) {
    std::string_view text(reply, strnlen(reply, kBufferSize));
    if (!text.empty() && text.back() == kCr) text.remove_suffix(1);
    if (checksum && text.size() >= 2) text.remove_suffix(2);
    return text;
}

// A reply names the address it answers for. One that names another address is a late reply to
// an earlier request (the line carried it past the retry), not an answer from this address:
// taking it would list a module where there is none.
bool Answers(const char* reply, int addr) {
    const int from = HexPairAt(std::string_view(reply, strnlen(reply, kBufferSize)), 2);
    return from < 0 || from == addr;
}

// One address that answered $AAM: its configuration and, when it has one, its instrument number.
ScanOutcome ReportModule(FindLink& link, ProgressSink& progress, int addr, bool checksum) {
    char reply[kBufferSize + 1] = {};
    link.SetPollEntry(addr, -1);
    if (link.Send(ReqConfig(addr).c_str(), reply) != kOk || !Answers(reply, addr))
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
    if (link.Send(ReqInstrumentNumber(addr).c_str(), reply) != kOk || !Answers(reply, addr))
        return ScanOutcome::kCommError;
    const int number = DecimalAt(ReplyText(reply, checksum), 4, 11);
    if (number > 0) link.SetPollEntry(addr, number);
    std::snprintf(line, sizeof line, "  -->  OK  #%i", number);
    progress.Append(line);
    return ScanOutcome::kDone;
}

}  // namespace

ScanOutcome ScanAddresses(FindLink& link, ProgressSink& progress, bool checksum) {
    link.ClearPollList();
    for (int addr = 0; addr <= 255; ++addr) {
        if (progress.Cancelled()) return ScanOutcome::kCancelled;
        progress.AddLine(nullptr, addr);
        char reply[kBufferSize + 1] = {};
        if (link.Send(ReqModel(addr).c_str(), reply) != kOk || !Answers(reply, addr))
            continue;  // nobody there
        const ScanOutcome outcome = ReportModule(link, progress, addr, checksum);
        if (outcome != ScanOutcome::kDone) return outcome;
    }
    return ScanOutcome::kDone;
}

ScanOutcome FindModule(FindLink& link, ProgressSink& progress) {
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
            link.Pause();
            outcome = ScanAddresses(link, progress, checksum);
            link.Resume();  // on every path: the poller must never stay parked
            if (outcome != ScanOutcome::kDone) break;
        }
    }
    if (outcome == ScanOutcome::kCommError) progress.AddLine("Chyba při komunikaci !", -1);
    progress.AddLine("KONEC", -1);
    progress.Finish(true);
    return outcome;
}

}  // namespace qx
