#include "logger/core/shed_transfer.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "link/core/link_result.h"
#include "link/core/protocol.h"
#include "link/core/string_format.h"
#include "logger/core/clock_compare.h"
#include "logger/core/shed_log.h"
#include "logger/core/shed_readback.h"

namespace qx {
namespace {

constexpr const char* kSendCaption = "TMForm::MShedSendClick()";
constexpr const char* kCheckCaption = "TMForm::MShedCheckClick()";
constexpr const char* kClearCaption = "TMForm::MShedClearClick()";
constexpr const char* kMark = "  -->  CHYBA !";

// The first n characters of the reply equal those of the expected reply; a shorter reply differs.
bool Matches(const std::string& reply, const std::string& expected, std::size_t n) {
    return reply.size() >= n && expected.size() >= n && reply.compare(0, n, expected, 0, n) == 0;
}

// A reply as the user may read it: without its CR and what follows.
std::string Whole(const std::string& reply) {
    return reply.substr(0, reply.find('\r'));
}

}  // namespace

TShedTransfer::TShedTransfer(BusServices services) : bus_(std::move(services)) {}

int TShedTransfer::Exchange(const std::string& request, std::string& reply) {
    return ExchangeText(bus_.exchange, request, reply);
}

TransactionResult TShedTransfer::Refuse(int addr, const Schedule& schedule, const char* caption) {
    TransactionResult result;
    if (addr < 0 || addr > 255) {
        result.refusal = Format("Adresa %i leží mimo rozsah 0 až 255 !", addr);
    } else {
        result.refusal = ValidateSchedule(schedule, bus_.encode);
    }
    if (!result.refusal.empty() && bus_.report) bus_.report(result, caption);
    return result;
}

void TShedTransfer::Finish(const TransactionResult& result, const char* caption) {
    lease_.reset();
    if (!result.Ok() && bus_.report) bus_.report(result, caption);
}

TransactionResult TShedTransfer::Send(int addr, const Schedule& schedule,
                                      const std::filesystem::path& logDir) {
    TransactionResult result = Refuse(addr, schedule, kSendCaption);
    if (!result.refusal.empty()) return result;
    bus_.progress->Open("Zápis rozvrhu do QX", 9);
    lease_.emplace(*bus_.poller, bus_.busy);
    TShedLog log;
    log.Create(logDir);  // without a log the send still runs
    result.code = SendSteps(addr, schedule, log);
    Finish(result, kSendCaption);
    bus_.progress->Finish(true);
    log.Line("");
    log.Close();
    return result;
}

int TShedTransfer::SendSteps(int addr, const Schedule& schedule, TShedLog& log) {
    std::string reply;
    // Every request is logged first, so the log shows the one that failed.
    auto send = [&](const std::string& request) {
        log.Line(request);
        return Exchange(request, reply);
    };
    bus_.progress->AddLine("Zápis času a data do QX", 1);
    if (int rc = send(WriteClockRequest(addr, bus_.clock()))) return rc;
    // No index may log while its definition is half written.
    if (int rc = send(ReqDisableAll(addr))) return rc;
    for (int n = 0; n < kShedEntries; ++n) {
        const ShedEntry& e = schedule.entries[n];
        bus_.progress->AddLine(Format("Index  %i  do QX", n + 1), n + 2);
        const int config = bus_.encode(e.quantity, e.range, e.input);
        if (int rc = send(WriteEntryRequest(addr, n, e, config))) return rc;
        if (int rc = send(WriteLimitsRequest(addr, n, e))) return rc;
    }
    bus_.progress->AddLine("Povolení indexu do QX", 10);
    if (int rc = send(WriteEnableRequest(addr, schedule))) return rc;
    bus_.progress->AddLine("KONEC", -1);
    return kOk;
}

TransactionResult TShedTransfer::Check(int addr, const Schedule& schedule) {
    TransactionResult result = Refuse(addr, schedule, kCheckCaption);
    if (!result.refusal.empty()) return result;
    bus_.progress->Open("Kontrola rozvrhu měření v QX", 9);
    lease_.emplace(*bus_.poller, bus_.busy);
    result.code = CheckSteps(addr, schedule);
    Finish(result, kCheckCaption);
    bus_.progress->Finish(true);
    return result;
}

int TShedTransfer::CheckClock(int addr) {
    bus_.progress->AddLine("Kontrola času a data v QX", 1);
    const LocalTime now = bus_.clock();
    std::string reply;
    if (int rc = Exchange(ReqReadClock(addr), reply)) return rc;
    const bool differs = !ClockReplyAgrees(reply, addr, now, 10);
    CheckVerdict v{0, differs, {}, {}};
    const std::optional<LocalTime> module = ClockFromReply(reply, now);
    if (module) v.offsetS = ClockOffsetS(*module, now);
    v.fields.push_back({"clock", ClockText(now), module ? ClockText(*module) : Whole(reply)});
    verdicts_.push_back(std::move(v));
    if (differs) bus_.progress->Append("  -->  CHYBA > 10 sekund !");
    return kOk;
}

int TShedTransfer::CheckSteps(int addr, const Schedule& schedule) {
    verdicts_.clear();
    if (int rc = CheckClock(addr)) return rc;
    std::string reply;
    for (int n = 0; n < kShedEntries; ++n) {
        const ShedEntry& e = schedule.entries[n];
        bus_.progress->AddLine(Format("Kotrola indexu  %i  v QX", n + 1), n + 2);
        const int config = bus_.encode(e.quantity, e.range, e.input);
        const std::string expectedEntry = ExpectedEntryReply(addr, e, config);
        const std::string expectedLimits = ExpectedLimitsReply(addr, e);
        std::string entry;
        if (int rc = Exchange(ReqReadEntry(addr, n), entry)) return rc;
        if (int rc = Exchange(ReqReadLimits(addr, n), reply)) return rc;
        const bool same = Matches(entry, expectedEntry, 17) && Matches(reply, expectedLimits, 17);
        CheckVerdict v{n + 1, !same, {}, {}};
        if (!same) {
            v.fields = IndexDifferences(expectedEntry, entry, expectedLimits, reply);
            // Same fields from another address: the reply that differs tells.
            if (v.fields.empty() && !Matches(entry, expectedEntry, 17))
                v.fields.push_back({"reply", expectedEntry, Whole(entry)});
            if (v.fields.empty()) v.fields.push_back({"reply", expectedLimits, Whole(reply)});
        }
        verdicts_.push_back(std::move(v));
        if (!same) bus_.progress->Append(kMark);
    }
    bus_.progress->AddLine("Kontrola povolení indexů v QX", 10);
    if (int rc = Exchange(ReqReadEnable(addr), reply)) return rc;
    const std::string expected = ExpectedEnableReply(addr, schedule);
    const bool enablesDiffer = !Matches(reply, expected, 7);
    CheckVerdict v{kShedEntries + 1, enablesDiffer, {}, {}};
    if (enablesDiffer) {
        v.fields = EnableDifferences(expected, reply);
        if (v.fields.empty()) v.fields.push_back({"reply", expected, Whole(reply)});
    }
    verdicts_.push_back(std::move(v));
    if (enablesDiffer) bus_.progress->Append(kMark);
    bus_.progress->AddLine("KONEC", -1);
    return kOk;
}

TransactionResult TShedTransfer::Clear(int addr) {
    cleared_ = 0;
    TransactionResult result;
    lease_.emplace(*bus_.poller, bus_.busy);
    result.code = ClearSteps(addr);
    Finish(result, kClearCaption);
    bus_.progress->AddLine(Format("Celkem  %i  záznamů nulováno", cleared_), cleared_);
    bus_.progress->Finish(true);
    return result;
}

int TShedTransfer::ClearSteps(int addr) {
    std::string reply;
    if (int rc = Exchange(ReqInstrumentNumber(addr), reply)) return rc;
    if (int rc = Exchange(ReqQueueFill(addr), reply)) return rc;
    // A refused or garbled fill count only sizes the bar; it must not make it negative.
    const int high = HexPairAt(reply, 4);
    const int low = HexPairAt(reply, 6);
    const int fill = high < 0 || low < 0 ? 0 : 256 * high + low;
    const int step = fill > 200 ? 50 : 10;
    bus_.progress->Open("Nulování fronty v QX", fill);
    // The queue is emptied by reading it to its end, not to the count: records keep arriving.
    for (int toggle = 0;; toggle = 1 - toggle) {
        if (int rc = Exchange(ReqQueueRecord(addr, toggle), reply)) return rc;
        if (!reply.empty() && reply[0] == '?') return kOk;
        ++cleared_;
        if (cleared_ % step != 0) continue;
        if (bus_.progress->Cancelled()) return kOk;
        bus_.progress->AddLine(Format("Nulováno  %i  záznamů", cleared_), cleared_);
    }
}

}  // namespace qx
