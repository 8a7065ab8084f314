// SAV_Length_at_Date, Load_Hwy_Seg_Table and HwySet_Index on the sample
// network scaled to 100,000 segments (TW_BENCH_SEGMENTS sets another size).
// Goals: HwySet_Index under 100 ns; a segment-length lookup under 2 us once
// the database is open (a new segment each time), the table read.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/TessawinMod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hwy_Seg_Table_mod.h"
#include "tools/sample/sample_network.h"

namespace {

namespace fs = std::filesystem;

struct Setup {
    fs::path dir;
    std::vector<std::string> segments;  // of the latest version
    std::string latest, date;

    Setup() {
        std::string tmpl = (fs::temp_directory_path() / "tw-bench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        dir = tmpl;
        ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
        std::ifstream in(SAMPLE_DESCRIPTION, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        sample::ScaleOptions scale;
        const char* n = std::getenv("TW_BENCH_SEGMENTS");
        scale.segments = n ? std::atoi(n) : 100000;
        scale.points_per_segment = 2;
        const sample::Network net = sample::build_network(sample::parse_description(text.str()), scale);
        sample::write_data_set(net, (dir / "data").string());
        const sample::Version& v = net.versions.back();
        latest = v.code;
        date = v.effective;
        for (const auto& s : v.segments) segments.push_back(s.code);
        AppFolder = (dir / "data").string() + "/";
        // The first open converts the file; the lookups are timed after it.
        if (!HMZ_Version_Valid(latest)) std::abort();
    }
    ~Setup() {
        SAV_Forget_Database();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

// Every segment once: the first are queried one by one, then the table is
// read in one pass and answers the rest.
void LookUpEverySegment(const Setup& s) {
    for (const std::string& seg : s.segments) benchmark::DoNotOptimize(SAV_Length_at_Date(seg, s.date, 2));
}

// A different segment every time, once the table is in memory.
void BM_SAV_Length_at_Date(benchmark::State& state) {
    Setup& s = setup();
    LookUpEverySegment(s);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SAV_Length_at_Date(s.segments[i], s.date, 2));
        if (++i == s.segments.size()) i = 0;
    }
    state.counters["segments"] = static_cast<double>(s.segments.size());
}
BENCHMARK(BM_SAV_Length_at_Date);

// What a run over every segment waits for, from a database just opened.
void BM_SAV_Length_at_Date_EverySegmentOnce(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        state.PauseTiming();
        SAV_Forget_Database();
        if (!HMZ_Version_Valid(s.latest)) std::abort();
        state.ResumeTiming();
        LookUpEverySegment(s);
    }
    state.counters["segments"] = static_cast<double>(s.segments.size());
}
BENCHMARK(BM_SAV_Length_at_Date_EverySegmentOnce)->Unit(benchmark::kMillisecond)->Iterations(2);

// The same segment at several dates, as a worksheet of one road asks.
void BM_SAV_Length_at_Date_SameSegment(benchmark::State& state) {
    Setup& s = setup();
    const char* dates[] = {"", "2010-06-30", "2019-01-01", "2021-12-31"};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SAV_Length_at_Date(s.segments[0], dates[i], 2));
        i = (i + 1) % 4;
    }
}
BENCHMARK(BM_SAV_Length_at_Date_SameSegment);

void BM_Load_Hwy_Seg_Table(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) Load_Hwy_Seg_Table(s.latest);
    state.counters["segments"] = static_cast<double>(Hwy_Seg_Count);
}
BENCHMARK(BM_Load_Hwy_Seg_Table)->Unit(benchmark::kMillisecond);

void BM_HwySet_Index(benchmark::State& state) {
    Setup& s = setup();
    Load_Hwy_Seg_Table(s.latest);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HwySet_Index(s.segments[i]));
        if (++i == s.segments.size()) i = 0;
    }
    state.counters["segments"] = static_cast<double>(Hwy_Seg_Count);
}
BENCHMARK(BM_HwySet_Index);

}  // namespace

BENCHMARK_MAIN();
