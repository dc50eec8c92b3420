// Opens data files of N lines of one quantity in the real main window, offscreen, through the
// Table page's "Načíst ze souboru" (read, table fill with the table shown, column widths, graph
// preparation), and prints the time of the open and the peak growth of the resident size per
// record. Each size is opened in a fresh process, so that one open's peak and freed heap do not
// hide the next one's. The fixed pauses that leave the progress log readable are not counted.
//
// Usage: data_open_bench_ui [LINES...]      (default 1000000 10000000 40000000)
//        BENCH_DIR=folder for the generated files (kept there; else a new one, removed after)

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/ui/tmform.h"
#include "common/core/data_line.h"
#include "common/ui/prompt.h"
#include "data/ui/data_view.h"
#include "data/ui/table_page.h"
#include "link/core/comm_port.h"

namespace {

long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0) return std::stol(line.substr(length + 1));
    }
    return 0;
}

double CpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// A logger writing one quantity every second: current, code 0, the quantity an open shows first.
void Generate(const std::string& path, long lines) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return;
    for (long i = 0; i < lines; ++i) {
        const long s = i;
        char value[32];
        std::snprintf(value, sizeof value, "%ld,%03ld", (i * 37) % 400 - 200, (i * 7) % 1000);
        const std::string line = qx::FormatDataLine(
            {1, 0x05, value, "012"[i % 3], static_cast<int>(1 + s / 86400 % 28),
             static_cast<int>(1 + s / (86400 * 28) % 12), static_cast<int>(2020 + s / 29030400),
             static_cast<int>(s / 3600 % 24), static_cast<int>(s / 60 % 60),
             static_cast<int>(s % 60), static_cast<int>(i % 10)});
        std::fwrite(line.data(), 1, line.size(), f);
    }
    std::fclose(f);
}

class FilePrompt : public qx::Prompt {
  public:
    explicit FilePrompt(QString file) : file_(std::move(file)) {}
    QString ChooseFile(QWidget*, const qx::FileChoice&) override { return file_; }
    void Message(QWidget*, const QString& text, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool Ask(QWidget*, const QString&, const QString&) override { return false; }
    qx::PortChoice ChoosePorts(QWidget*, const qx::PortPaths&, bool) override { return {}; }

  private:
    QString file_;
};

// One open in this process; prints "lines seconds cpu-seconds peak-bytes-per-record rows".
int OpenOnce(int argc, char** argv, const char* file, long lines) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FilePrompt prompt(QString::fromLocal8Bit(file));
    qx::InstallPrompt(&prompt);
    int rows = 0;
    {
        qx::TCommPort link(qx::PortPaths{"/dev/null", "/dev/null", "/dev/null", "/dev/null"});
        qx::TMForm form(link);
        qx::TablePage& page = *form.MTableSh;
        page.View().SetPause([](int) {});
        form.show();
        form.MPage->setCurrentWidget(form.MTableSh);
        QApplication::processEvents();
        const long baseKb = StatusKb("VmRSS:");
        // The peak from here on: "5" resets the high-water mark to the present size.
        if (std::FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", refs);
            std::fclose(refs);
        }
        const auto start = std::chrono::steady_clock::now();
        const double cpu = CpuNow();
        page.MTabOpen->click();
        QApplication::processEvents();  // the table lays out its rows, the graph paints
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpuSeconds = CpuNow() - cpu;
        const long peakKb = StatusKb("VmHWM:");
        rows = page.View().Shown().Count();
        std::printf("%10ld %9.3f %9.3f %12.2f %10d\n", lines, seconds, cpuSeconds,
                    static_cast<double>(peakKb - baseKb) * 1024.0 / static_cast<double>(lines),
                    rows);
        std::fflush(stdout);
    }
    qx::InstallPrompt(nullptr);
    return rows > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--open") == 0)
        return OpenOnce(1, argv, argv[2], std::atol(argv[3]));

    // A throwaway settings folder: the window's creation reads and saves its settings.
    char settings[] = "/tmp/merido-open-bench.XXXXXX";
    if (::mkdtemp(settings) == nullptr) return 1;
    ::setenv("XDG_CONFIG_HOME", settings, 1);
    std::vector<long> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atol(argv[i]));
    if (sizes.empty()) sizes = {1000000, 10000000, 40000000};
    const char* given = std::getenv("BENCH_DIR");
    const std::filesystem::path dir = given ? given : settings;

    std::printf("%10s %9s %9s %12s %10s\n", "lines", "open s", "CPU s", "peak B/rec", "rows");
    std::fflush(stdout);
    int status = 0;
    for (const long lines : sizes) {
        const std::string file = (dir / ("open" + std::to_string(lines) + ".PRN")).string();
        if (!std::filesystem::exists(file)) Generate(file, lines);
        const std::string count = std::to_string(lines);
        const pid_t child = ::fork();
        if (child == 0) {
            ::execl("/proc/self/exe", argv[0], "--open", file.c_str(), count.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int childStatus = 0;
        ::waitpid(child, &childStatus, 0);
        if (!WIFEXITED(childStatus) || WEXITSTATUS(childStatus) != 0) status = 1;
        if (!given) std::filesystem::remove(file);
    }
    std::filesystem::remove_all(settings);
    return status;
}
