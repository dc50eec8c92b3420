#pragma once
// Reads the module's whole record queue into a data file, record by record, over an exchange
// function (the link's Send while the poller is parked, or a test's peer).

#include <functional>
#include <string>
#include <string_view>

#include "common/core/data_file_writer.h"
#include "common/core/progress.h"
#include "link/core/bus.h"

namespace qx {

struct DownloadResult {
    int requests = 0;   // record request cycles, the closing "?" answer included
    int written = 0;    // data lines written
    int fillCount = 0;  // the queue fill count the module reported
    int result = 0;     // 0, or the code of the request that ended the download
    bool cancelled = false;
    bool writeFailed = false;  // a line did not reach the file; the download stopped there
    // The toggle the next record request would carry. After a failed request it is that
    // request's toggle: the module may have sent a record whose reply never arrived, and only a
    // request with the same toggle asks for it again; the other one would drop it unread.
    int nextToggle = 0;
};

// Everything between the paused poller and its release: the identification requests, the fill
// count, the record loop with its toggle, retries and duplicate marks, the progress lines and
// the closing lines. `file` is open for writing. `startToggle` is the toggle of the first record
// request: 0, or the `nextToggle` of a download from the same module that ended on a failed
// request.
DownloadResult DownloadQueue(const Exchange& exchange, int address, DataFileWriter& file,
                             Progress& progress, int startToggle = 0);

inline constexpr std::string_view kReceiveCaption = "TMForm::MTabReceiveClick()";
// The log's last line after "Storno": the records written, and that the rest stays queued.
std::string CancelledText(int written);
std::string CreateErrorText(std::string_view fileName);
std::string WriteErrorText(std::string_view fileName);

}  // namespace qx
