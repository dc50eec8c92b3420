// Reads a generated data file of 1,000,000 lines with the data file reader and with a plain
// ifstream + getline + sscanf loop, and prints the times, their ratio and the memory that the
// loaded records take (peak resident size growth per record).
//
// Usage: data_read_bench [lines] [file]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "bench/quiet_progress.h"
#include "common/core/data_line.h"
#include "common/core/progress.h"
#include "data/core/data_reader.h"

using qx::bench::QuietProgress;

namespace {

long PeakRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return 0;
}

void Generate(const std::string& path, int lines) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    for (int i = 0; i < lines; ++i) {
        const int q = i % 3;
        const int s = i / 3;
        char value[32];
        std::snprintf(value, sizeof value, "%d,%03d", (i * 37) % 400 - 200, (i * 7) % 1000);
        const std::string line = qx::FormatDataLine(
            {1, q << 4 | 5, value, "012"[i % 3], 1 + s / 86400 % 28, 1 + s / (86400 * 28) % 12,
             2020, s / 3600 % 24, s / 60 % 60, s % 60, i % 10});
        std::fwrite(line.data(), 1, line.size(), f);
    }
    std::fclose(f);
}

// Processor time of this process: on a machine shared with other work the wall clock mostly
// measures the neighbours.
double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

struct Timer {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    double cpu = CpuNow();
};
struct Took {
    double wall, cpu;
};
Took Since(const Timer& t) {
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t.wall).count(),
            CpuNow() - t.cpu};
}

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const std::string path = argc > 2 ? argv[2] : "/tmp/merido_bench_1m.PRN";
    Generate(path, lines);

    const long rssBefore = PeakRssKb();
    qx::RecordList list;
    list.fileName = path;
    QuietProgress progress;
    Timer start;
    const qx::ReadOutcome outcome = qx::ReadDataFile(list, progress);
    const Took core = Since(start);
    const long rssAfter = PeakRssKb();

    // Further runs with the file in the page cache, as the plain loop below has it.
    Took best = core;
    for (int run = 0; run < 2; ++run) {
        qx::RecordList again;
        again.fileName = path;
        start = Timer{};
        qx::ReadDataFile(again, progress);
        const Took took = Since(start);
        best = {std::min(best.wall, took.wall), std::min(best.cpu, took.cpu)};
    }

    start = Timer{};
    std::ifstream in(path);
    std::string line;
    long accepted = 0;
    while (std::getline(in, line)) {
        for (char& c : line)
            c = c == ',' ? '.' : c;
        int a = 0, c = 0, l = 0, d = 1, m = 1, y = 1998, h = 0, mi = 0, s = 0, t = 0;
        double v = 0;
        if (std::sscanf(line.c_str(), "%i %i %lf %d %d.%d.%d %d:%d:%d %d", &a, &c, &v, &l, &d, &m,
                        &y, &h, &mi, &s, &t) == 11) {
            ++accepted;
        }
    }
    const Took plain = Since(start);

    std::printf("lines %d, records loaded %d (out of sequence %d)\n", outcome.lines, list.Count(),
                outcome.outOfSequence);
    std::printf("data file reader:           %.3f s wall, %.3f s cpu (first run %.3f s wall)\n",
                best.wall, best.cpu, core.wall);
    std::printf("ifstream+getline+sscanf:    %.3f s wall, %.3f s cpu (%ld lines parsed)\n",
                plain.wall, plain.cpu, accepted);
    std::printf("speed-up:                   %.1fx wall, %.1fx cpu\n", plain.wall / best.wall,
                plain.cpu / best.cpu);
    std::printf("memory per loaded record:   %.1f bytes (peak RSS growth %ld kB)\n",
                (rssAfter - rssBefore) * 1024.0 / (list.Count() > 0 ? list.Count() : 1),
                rssAfter - rssBefore);
    if (argc <= 2) std::remove(path.c_str());
    return 0;
}
