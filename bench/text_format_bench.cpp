// Throughput of the shared text formats on data-file sized input: one million lines read from
// memory and from a FILE, and one million values, dates and times formatted.

#include <chrono>
#include <cstdio>
#include <string>

#include "measure/core/text_format.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
    constexpr int kLines = 1000000;
    std::string data;
    data.reserve(kLines * 48);
    for (int i = 0; i < kLines; ++i)
        data += "1\t20\t+231,2\t0\t07\t12\t2026\t23\t12\t45\t3\r\n";

    char buf[qx::kLineBufferSize];
    auto start = std::chrono::steady_clock::now();
    std::size_t pos = 0;
    int lines = 0;
    while (qx::ReadLine(data, &pos, buf))
        ++lines;
    std::printf("ReadLine(memory): %d lines in %.3f s\n", lines, Seconds(start));

    std::FILE* file = std::tmpfile();
    std::fwrite(data.data(), 1, data.size(), file);
    std::rewind(file);
    start = std::chrono::steady_clock::now();
    lines = 0;
    while (qx::ReadLine(file, buf))
        ++lines;
    std::printf("ReadLine(FILE):   %d lines in %.3f s\n", lines, Seconds(start));
    std::fclose(file);

    char text[qx::kTextBufferSize];
    start = std::chrono::steady_clock::now();
    std::size_t total = 0;
    for (int i = 0; i < kLines; ++i) {
        const double stamp = qx::EncodeStamp(2026, 12, 7, 23, 12, i % 60, (i % 10) * 100);
        total += std::string_view(qx::ValueText(text, i * 0.37 - 5000, 1, i % 8, -1, i % 8)).size();
        total += std::string_view(qx::DateText(text, stamp, true)).size();
        total += std::string_view(qx::TimeText(text, stamp, '.')).size();
    }
    std::printf("Value+date+time texts: %d each in %.3f s (%zu chars)\n", kLines, Seconds(start),
                total);
    return 0;
}
