#include "data/core/queue_download.h"

#include <array>
#include <cstdio>

#include "common/core/data_line.h"
#include "data/core/queue_record.h"
#include "link/core/protocol.h"
#include "link/core/string_format.h"
#include "measure/core/text_format.h"

namespace qx {
namespace {

// Per quantity slot (the high nibble of the configuration byte): the last stamp written and the
// duplicate mark, the tenths given to a second record within the same second.
struct Slots {
    std::array<double, 16> lastStamp;
    std::array<int, 16> mark{};
    Slots() { lastStamp.fill(-1.0); }
};

// The module stamps to the second: a second record with the same stamp is written half a
// second later, any further one is dropped. Returns false for a dropped record.
bool MarkDuplicate(Slots& slots, const QueueRecord& r, int& tenths) {
    const int q = (r.config >> 4) & 0x0F;
    if (r.stamp != slots.lastStamp[q]) {
        slots.lastStamp[q] = r.stamp;
        slots.mark[q] = 0;
    } else if (slots.mark[q] > 0) {
        return false;
    } else {
        slots.mark[q] = 5;
    }
    tenths = slots.mark[q];
    return true;
}

std::string RecordLine(int address, const QueueRecord& r, int tenths) {
    char text[kTextBufferSize];
    ValueText(text, r.value, r.signCode != 0 ? 1 : 0, -1, -1, -1);
    ReplaceChar(text, '.', ',');
    const char limit = r.limitFlag == 2 ? '2' : r.limitFlag == 1 ? '1' : '0';
    return FormatDataLine({address, r.config, text, limit, r.day, r.month, r.year, r.hour, r.minute,
                           r.second, tenths});
}

// One record request cycle: asks again with the same toggle while the stamp is invalid, at
// most three times. Returns the link's code; `record.stamp` stays negative after three tries.
int RequestRecord(const Exchange& exchange, int address, int toggle, QueueRecord& record) {
    std::string reply;
    for (int tries = 0; tries < 3; ++tries) {
        const int code = ExchangeText(exchange, ReqQueueRecord(address, toggle), reply);
        if (code != 0) return code;
        record = DecodeQueueRecord(reply);
        if (record.end || record.stamp >= 0) return 0;
    }
    return 0;
}

void RecordLoop(const Exchange& exchange, int address, DataFileWriter& file, Progress& progress,
                DownloadResult& result) {
    const int step = result.fillCount > 200 ? 50 : 10;
    Slots slots;
    int& toggle = result.nextToggle;
    for (;;) {
        QueueRecord record;
        result.result = RequestRecord(exchange, address, toggle, record);
        if (result.result != 0) return;
        ++result.requests;
        toggle ^= 1;
        if (record.end) return;
        int tenths = 0;
        if (record.stamp >= 0 && MarkDuplicate(slots, record, tenths)) {
            if (!file.Write(RecordLine(address, record, tenths))) {
                result.writeFailed = true;
                return;
            }
            ++result.written;
        }
        // Checked on every cycle, skipped and dropped records too: a module that keeps sending
        // unusable records must not make the download impossible to cancel.
        if (result.requests % step == 0) {
            if (progress.Cancelled()) {
                result.cancelled = true;
                return;
            }
            progress.AddLine(Format("%i záznamů", result.requests), result.requests);
        }
    }
}

}  // namespace

DownloadResult DownloadQueue(const Exchange& exchange, int address, DataFileWriter& file,
                             Progress& progress, int startToggle) {
    DownloadResult result;
    result.nextToggle = startToggle & 1;
    std::string reply;
    result.result = ExchangeText(exchange, ReqModel(address), reply);
    if (result.result == 0)
        result.result = ExchangeText(exchange, ReqInstrumentNumber(address), reply);
    if (result.result == 0) result.result = ExchangeText(exchange, ReqQueueFill(address), reply);
    if (result.result == 0) {
        result.fillCount = QueueFillCount(reply);
        progress.Open("Čtení záznamů z QX", result.fillCount);
        RecordLoop(exchange, address, file, progress, result);
    }
    file.Close();
    progress.AddLine(Format("Celkem %i  záznamů ", result.requests), result.requests);
    // Only acknowledged records leave the queue: what "Storno" left unread is still there.
    if (result.cancelled) progress.AddLine(CancelledText(result.written), -1);
    progress.Finish(true);
    return result;
}

std::string CancelledText(int written) {
    return Format("Zapsáno %i záznamů, zbytek zůstává v modulu", written);
}

std::string CreateErrorText(std::string_view fileName) {
    return "Nelze otevřít soubor  " + std::string(fileName) + " !";
}

std::string WriteErrorText(std::string_view fileName) {
    return "Chyba zápisu do souboru  " + std::string(fileName) + " !";
}

}  // namespace qx
