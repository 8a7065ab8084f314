// Reading a collision extract: Read_Line and CSV_Split over a generated
// 200 MB file of 40 fields a line, some quoted with commas inside. The file is
// made once in the temporary folder and reused by later runs.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/Brellinlib.h"
#include "platform/shell/shell.h"

namespace {

constexpr std::int64_t kTargetBytes = 200LL * 1000 * 1000;
constexpr int kFields = 40;

std::int64_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

const char* const kStreets[] = {"\"Main St, north of 5th Ave\"", "\"Hwy 1, at exit 42\"", "\"Oak Rd\"",
                                "\"Bridge, east approach, lane 2\"", "\"\""};

std::string Extract() {
    const std::string path = AddBackslash(shell::Environ("temp")) + "tessawin_bench_cde_200MB.csv";
    if (FileSize(path) >= kTargetBytes) return path;
    OutputFile out(path);
    if (!out.is_open()) return "";
    std::string line;
    for (int f = 1; f <= kFields; ++f) line += (f > 1 ? "," : "") + std::string("Field_") + std::to_string(f);
    out.Write(line + "\r\n");
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    std::int64_t written = static_cast<std::int64_t>(line.size()) + 2;
    char num[32];
    while (written < kTargetBytes) {
        std::uint32_t r = next();
        std::snprintf(num, sizeof num, "\"20%02u-%02u-%02u\"", 10 + r % 14, 1 + (r >> 8) % 12, 1 + (r >> 12) % 28);
        line = num;
        for (int f = 2; f <= kFields; ++f) {
            line += ',';
            r = next();
            switch (f % 8) {
                case 0:
                    line += kStreets[(r >> 5) % 5];
                    break;
                case 1:
                    std::snprintf(num, sizeof num, "%04u", r % 9999);
                    line += num;
                    break;
                case 2:
                    std::snprintf(num, sizeof num, "%u.%u", r % 400, (r >> 10) % 10);
                    line += num;
                    break;
                case 3:
                    line += (r & 1) ? "\"PDO\"" : "\"Injury\"";
                    break;
                case 4:
                    break;  // an empty field
                default:
                    std::snprintf(num, sizeof num, "%u", r % 100000);
                    line += num;
            }
        }
        line += "\r\n";
        written += static_cast<std::int64_t>(line.size());
        out.Write(line);
    }
    return out.Close() ? path : "";
}

void BM_ReadLine_CSV_Split(benchmark::State& state) {
    const std::string path = Extract();
    if (path.empty()) {
        state.SkipWithError("cannot write the extract to the temporary folder");
        return;
    }
    const std::int64_t size = FileSize(path);
    Scan_Init();
    std::vector<std::string> arr(201);
    std::int64_t fields = 0, lines = 0;
    for (auto _ : state) {
        InputFile f(path);
        std::string line;
        bool eof = false;
        int16_t n = 0;
        while (!eof) {
            Read_Line(f, line, eof);
            CSV_Split(line, arr, n);
            fields += n;
            ++lines;
        }
        benchmark::DoNotOptimize(fields);
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["MB/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * size) / 1e6, benchmark::Counter::kIsRate);
    state.counters["fields/line"] = lines ? static_cast<double>(fields) / static_cast<double>(lines) : 0.0;
}
BENCHMARK(BM_ReadLine_CSV_Split)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ReadLine(benchmark::State& state) {
    const std::string path = Extract();
    if (path.empty()) {
        state.SkipWithError("cannot write the extract to the temporary folder");
        return;
    }
    const std::int64_t size = FileSize(path);
    for (auto _ : state) {
        InputFile f(path);
        std::string line;
        bool eof = false;
        std::int64_t lines = 0;
        while (!eof) {
            Read_Line(f, line, eof);
            ++lines;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["MB/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * size) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadLine)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
