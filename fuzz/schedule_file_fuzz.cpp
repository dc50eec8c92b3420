// The schedule file through its real path: the input is written as ROZVRH.QX and loaded with
// ReadScheduleFile, which reads only the lines it needs, and no further than its bound. It must
// give what the parser gives for the text up to the bound, and a schedule written back and read
// again must stay the same wherever the file can hold it (a text without CR, lines within what a
// line keeps).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_file.h"
#include "logger/core/schedule_file.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// True when every line of the file text fits what the line reader keeps and no text holds a CR
// (a CR is written as a blank).
bool Representable(const qx::Schedule& s, std::string_view text) {
    for (const qx::ShedEntry& e : s.entries) {
        for (const std::string* t :
             {&e.date, &e.time, &e.interval, &e.high, &e.low, &e.limitInterval}) {
            if (t->find('\r') != std::string::npos) return false;
        }
    }
    for (std::size_t lf; (lf = text.find('\n')) != std::string_view::npos;) {
        if (lf > qx::kMaxLineChars + 1) return false;  // + the CR
        text.remove_prefix(lf + 1);
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const qx::fuzz::FuzzFile file(qx::kScheduleFileName);
    file.Write(data, size);
    qx::Schedule loaded;
    Check(qx::ReadScheduleFile(file.Dir(), loaded), "the file reads");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Check(loaded == qx::ParseScheduleFile(bytes.substr(0, qx::kScheduleReadBound)),
          "reading the file gives what its text up to the bound parses to");

    const std::string written = qx::FormatScheduleFile(loaded);
    if (Representable(loaded, written)) {
        Check(qx::ParseScheduleFile(written) == loaded, "a written schedule reads back");
        Check(qx::FormatScheduleFile(qx::ParseScheduleFile(written)) == written,
              "writing is stable");
    }
    return 0;
}
