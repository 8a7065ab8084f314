// The collision commands on a generated extract of 1,000,000 collisions over
// ten years: the in-process sort of the monthly split beside
// `LC_ALL=C sort` on the same file (goal: faster), and the sums by section
// and month and by group and quarter (goal: under 2 s each). The files are
// made once in the temporary folder and reused by later runs.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "app/MainForm.h"
#include "collisions/CDEbyGroup.h"
#include "common/Brellinlib.h"
#include "platform/shell/line_sort.h"
#include "platform/shell/shell.h"
#include "platform/ui/backend.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kMains = 200;  // sections 1-1, 1-2, ... 200-2

std::string Folder() {
    return AddBackslash(shell::Environ("temp"));
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

// The extract and its section list.
const std::string& Extract() {
    static const std::string path = [] {
        const std::string cde = Folder() + "tessawin_bench_cde_1M.csv";
        const std::string list = Folder() + "tessawin_bench_sections.csv";
        if (Exists(cde) && Exists(list)) return cde;
        OutputFile out(cde);
        out.Write(
            "\"CLSNDATE\",\"ACCASE\",\"SEGNUM\",\"KMMARK\",\"GROUP_ID\",\"SECID\",\"SEVERITY_TYPE\",\"DIAGRAM\","
            "\"TOTALKLD\",\"TOTALINJ\",\"LAT\",\"LON\"\r\n");
        std::uint32_t seed = 2026;
        auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
        char line[256];
        for (int i = 0; i < kRows; ++i) {
            const unsigned main = 1 + (next() >> 8) % kMains, sub = 1 + (next() >> 8) % 2;
            const unsigned sev = 1 + (next() >> 8) % 3;
            std::snprintf(line, sizeof line,
                          "\"%04u-%02u-%02u\",\"%07u\",\"%04u\",\"%u.%u\",\"%u-%u\",\"%u\",\"%u\",\"%u\",\"%u\",\"%u\","
                          "\"49.%06u\",\"-117.%06u\"\r\n",
                          2010 + (next() >> 8) % 10, 1 + (next() >> 8) % 12, 1 + (next() >> 8) % 28,
                          1000000 + static_cast<unsigned>(i), 10 * (1 + (next() >> 8) % 90), (next() >> 8) % 40,
                          (next() >> 8) % 10, main, sub, main * 2 + sub, sev, 1 + (next() >> 8) % 20, sev == 1,
                          sev == 2, (next() >> 8) % 1000000, (next() >> 8) % 1000000);
            out.Write(line);
        }
        out.Close();
        OutputFile sections(list);
        sections.Write("Section\r\n");
        for (int m = 1; m <= kMains; ++m)
            for (int s = 1; s <= 2; ++s) sections.Write(std::to_string(m) + "-" + std::to_string(s) + "\r\n");
        sections.Close();
        return cde;
    }();
    return path;
}

void BM_SortLines(benchmark::State& state) {
    const std::string in = Extract(), out = Folder() + "tessawin_bench_sorted_ours.csv";
    for (auto _ : state) {
        const shell::SortResult r = shell::SortLines(in, out);
        if (!r.ok) state.SkipWithError(r.error_text.c_str());
    }
    state.SetItemsProcessed(state.iterations() * (kRows + 1));
}
BENCHMARK(BM_SortLines)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SystemSort(benchmark::State& state) {
    const std::string in = Extract(), out = Folder() + "tessawin_bench_sorted_system.csv";
    for (auto _ : state) {
        const shell::LaunchResult r = shell::RunAndWait({"env", "LC_ALL=C", "sort", "-o", out, in});
        if (!r.started || r.exit_code != 0) state.SkipWithError("sort failed");
    }
    state.SetItemsProcessed(state.iterations() * (kRows + 1));
}
BENCHMARK(BM_SystemSort)->Unit(benchmark::kMillisecond)->UseRealTime();

std::shared_ptr<ui::HeadlessBackend> Boxes() {
    static const auto backend = [] {
        auto b = std::make_shared<ui::HeadlessBackend>();
        ui::SetBackend(b);
        return b;
    }();
    return backend;
}

void BM_SumBySectionAndMonth(benchmark::State& state) {
    const std::string in = Extract();
    auto boxes = Boxes();
    for (auto _ : state) {
        CDE_Sum_by_Group(Folder(), FileNamePart(in), "tessawin_bench_sections.csv", Folder(), 2010, 2019);
        if (!boxes->shown.empty()) state.SkipWithError(boxes->shown.back().prompt.c_str());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SumBySectionAndMonth)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SumByGroupAndQuarter(benchmark::State& state) {
    const std::string in = Extract();
    auto boxes = Boxes();
    for (auto _ : state) {
        boxes->ExpectInput("2010");
        boxes->ExpectInput("SECID");
        boxes->shown.clear();
        CDE_Sum_by_Group_and_Quarter(Folder(), FileNamePart(in), Folder());
        if (boxes->shown.size() != 2) state.SkipWithError(boxes->shown.back().prompt.c_str());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SumByGroupAndQuarter)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
