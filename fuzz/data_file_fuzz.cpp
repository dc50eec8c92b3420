// The data file reader through its real path: the input is written to a file and read with
// ReadDataFile. Every line is accounted for (a record, a comment or empty line, or a record out
// of time sequence), each quantity's records keep their time order, and the records are those
// that the line codec gives for the file's lines cut as the line reader cuts them.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/data_line.h"
#include "common/core/progress.h"
#include "data/core/data_reader.h"
#include "fuzz/fuzz_file.h"
#include "measure/core/text_format.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

class SilentProgress : public qx::Progress {
  public:
    void Open(std::string_view, int) override {}
    void AddLine(std::string_view, int, int) override {}
    void Move(int, int) override {}
    void Append(std::string_view) override {}
    void Finish(bool) override {}
    bool Visible() const override { return true; }
    void ProcessEvents() override {}
    void Pause(int) override {}
};

// The lines of the file as the line reader gives them: up to each LF, a CR right before it
// dropped, the first kLineKept characters kept; text after the last LF is no line.
std::vector<std::string> Lines(std::string_view bytes) {
    std::vector<std::string> lines;
    for (std::size_t lf; (lf = bytes.find('\n')) != std::string_view::npos;) {
        std::string_view line = bytes.substr(0, lf);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.emplace_back(line.substr(0, qx::kLineKept));
        bytes.remove_prefix(lf + 1);
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const qx::fuzz::FuzzFile file("data.PRN");
    file.Write(data, size);
    qx::RecordList list;
    list.fileName = file.Path();
    SilentProgress progress;
    // The window's 1 MB block would be mapped and unmapped for every input of a few hundred
    // bytes. A small block that changes with the input's length lets lines cross block ends at
    // every place instead.
    const std::size_t block = 1 + size % 301;
    const qx::ReadOutcome outcome = qx::ReadDataFile(list, progress, block);
    Check(outcome.opened && !outcome.cancelled && !outcome.outOfMemory, "the file reads");

    const std::vector<std::string> lines =
        Lines(std::string_view(reinterpret_cast<const char*>(data), size));
    Check(outcome.lines == static_cast<int>(lines.size()), "every line counted");
    // The reader's rule from the outside: a record whose quantity's time went back is dropped.
    std::size_t next = 0;
    int dropped = 0;
    double last[8] = {};
    for (std::string line : lines) {
        if (line.empty() || line[0] == ';') continue;
        for (char& ch : line)
            ch = ch == ',' ? '.' : ch;
        qx::DataLineFields f;
        qx::ParseDataLine(line, f);
        const long long ms =
            std::clamp(static_cast<long long>(f.tenths) * 100, static_cast<long long>(INT_MIN),
                       static_cast<long long>(INT_MAX));
        const double stamp = qx::EncodeStamp(f.year, f.month, f.day, f.hour, f.minute, f.second,
                                             static_cast<int>(ms));
        const int q = (f.config >> 4) & 7;
        if (stamp < last[q]) {
            ++dropped;
            continue;
        }
        last[q] = stamp;
        Check(next < list.records.size(), "no line lost");
        const qx::DataRecord& r = list.records[next++];
        Check(r.address == (f.address & 0xFF) && r.config == (f.config & 0xFF) &&
                  r.limit == (f.limit & 0xFF) && r.stamp == stamp &&
                  (r.value == f.value || (std::isnan(r.value) && std::isnan(f.value))),
              "each record is its line");
    }
    Check(next == list.records.size(), "no record without a line");
    Check(dropped == outcome.outOfSequence, "out-of-sequence lines counted");
    return 0;
}
