// Translations per second over generated tables of 2000 groups and 50000
// match points: 400 segments, each transformed in five successive versions,
// 25 match points per group.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "translation/Hemzshift8.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSegments = 400;
constexpr int kVersions = 5;
constexpr int kPoints = 25;

std::string version_of(int k) {
    return std::to_string(2011 + k) + "01";
}

// Builds the tables once in a private folder, which also becomes the current
// folder so that the library's log lands there.
const std::string& data_folder() {
    static const std::string folder = [] {
        std::string tmpl = (fs::temp_directory_path() / "hemzshift_bench_XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        if (!::mkdtemp(buf.data())) std::abort();
        fs::path dir(buf.data());
        std::ofstream groups(dir / "HMZ_Transform_Group.csv"), matches(dir / "HMZ_Transform_Match.csv"),
            lengths(dir / "SegAllVersions.csv");
        lengths << "HMZ_Version,Segment,Length\n";
        char line[160];
        for (int s = 1; s <= kSegments; ++s) {
            std::snprintf(line, sizeof line, "201001,%04d,%.3f\n", s, (kPoints - 1) * 1.0);
            lengths << line;
        }
        int group_no = 0;
        for (int k = 0; k < kVersions; ++k) {
            const double from_scale = 1.0 + 0.01 * k, to_scale = 1.0 + 0.01 * (k + 1);
            for (int s = 1; s <= kSegments; ++s) {
                ++group_no;
                std::snprintf(line, sizeof line, "%d,%s,'Hwy %d',1900-01-01,%d-12-31,%04d,0\n", group_no,
                              version_of(k).c_str(), s, 2010 + k, s);
                groups << line;
                for (int i = 0; i < kPoints; ++i) {
                    std::snprintf(line, sizeof line, "M,%d,a,%.2f,%04d,%.2f,%d\n", group_no, i * from_scale, s,
                                  i * to_scale, i % 7 == 0 ? 1 : 0);
                    matches << line;
                }
            }
            for (int s = 1; s <= kSegments; ++s) {
                std::snprintf(line, sizeof line, "%s,%04d,%.3f\n", version_of(k).c_str(), s, (kPoints - 1) * to_scale);
                lengths << line;
            }
        }
        fs::current_path(dir);
        ::setenv("temp", dir.c_str(), 1);
        return dir.string();
    }();
    return folder;
}

void init_library() {
    const std::string& folder = data_folder();
    const int32_t ndp = 2;
    DLL_HEMZSHIFT_INIT(&ndp, nullptr, 0, folder.data(), static_cast<int32_t>(folder.size()));
    int32_t error = 0;
    DLL_HEMZSHIFT_GET_ERROR(&error, nullptr, 0);
    if (error != 0) std::abort();
}

struct Location {
    char segment[4];
    float km;
};

std::vector<Location> locations(std::size_t n) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> seg(1, kSegments);
    std::uniform_real_distribution<float> km(0.0f, 20.0f);
    std::vector<Location> out(n);
    for (Location& l : out) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04d", seg(rng));
        std::copy(buf, buf + 4, l.segment);
        l.km = km(rng);
    }
    return out;
}

void BM_Forward(benchmark::State& state) {
    init_library();
    const auto locs = locations(4096);
    std::size_t i = 0;
    char seg[4];
    float km = 0;
    uint8_t obs, split;
    int32_t steps = 0;
    for (auto _ : state) {
        const Location& l = locs[i++ % locs.size()];
        DLL_HEMZSHIFT("2010-06-01", 10, l.segment, 4, " ", 1, &l.km, seg, 4, &km, &obs, &steps, &split);
        benchmark::DoNotOptimize(km);
    }
    if (steps != kVersions) state.SkipWithError("the walk did not take every version");
    state.counters["translations/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Forward);

// Translations from DATE to version TARGET_K, each of EXPECTED_STEPS steps.
void to_version(benchmark::State& state, const char* date, int target_k, int32_t expected_steps) {
    init_library();
    const auto locs = locations(4096);
    const std::string target = version_of(target_k) + "    ";
    std::size_t i = 0;
    char seg[4];
    float km = 0;
    uint8_t obs, split;
    int32_t steps = 0;
    for (auto _ : state) {
        const Location& l = locs[i++ % locs.size()];
        DLL_HEMZSHIFT_TO_HMZVERSION(date, 10, l.segment, 4, " ", 1, &l.km, target.data(), 10, seg, 4, &km, &obs, &steps,
                                    &split);
        benchmark::DoNotOptimize(km);
    }
    if (steps != expected_steps) state.SkipWithError("unexpected step count");
    state.counters["translations/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Forward to a middle version: the whole history, the report to the log and
// the check against the target's segment lengths.
void BM_ToVersionForward(benchmark::State& state) {
    to_version(state, "2010-06-01", 2, 3);
}
BENCHMARK(BM_ToVersionForward);

// From the latest version back to the first: the back walk over every group.
void BM_ToVersionBack(benchmark::State& state) {
    to_version(state, "2016-06-01", 0, kVersions - 1);
}
BENCHMARK(BM_ToVersionBack);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The tables and the log (large after a run) go with the process.
    std::error_code ec;
    if (!data_folder().empty()) fs::remove_all(data_folder(), ec);
    return 0;
}
