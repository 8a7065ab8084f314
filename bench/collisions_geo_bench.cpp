// Latitude, longitude and Nalt Albers X/Y added to a date-ordered extract of
// 1,000,000 collisions on the sample network scaled to 100,000 segments of
// 100 geometry points (10 million points; TW_BENCH_SEGMENTS,
// TW_BENCH_POINTS and TW_BENCH_COLLISIONS set other sizes). Goal: under
// 10 s, every segment's points read anew in each run. The data set (and the
// converted geometry file) is made once in the temporary folder and reused by
// later runs of the same sizes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/MainForm.h"
#include "bench/installed_data.h"
#include "collisions/CDEaddLatLonmod.h"
#include "common/DataFolders.h"
#include "common/FileNumbers.h"
#include "common/TessawinMod.h"
#include "inventory/GeoDBmod.h"
#include "platform/settings/settings.h"
#include "platform/shell/shell.h"
#include "tools/sample/sample_network.h"

namespace {

namespace fs = std::filesystem;

int FromEnv(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : fallback;
}

struct Setup {
    fs::path dir;
    std::string extract, head;

    Setup() {
        sample::ScaleOptions scale;
        scale.segments = FromEnv("TW_BENCH_SEGMENTS", 100000);
        scale.points_per_segment = FromEnv("TW_BENCH_POINTS", 100);
        scale.collisions = FromEnv("TW_BENCH_COLLISIONS", 1000000);
        dir = fs::temp_directory_path() / ("tessawin_bench_geo_" + std::to_string(scale.segments) + "x" +
                                           std::to_string(scale.points_per_segment) + "_" +
                                           std::to_string(scale.collisions));
        ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
        ::setenv("temp", dir.c_str(), 1);
        if (!fs::exists(dir / "complete")) {
            std::error_code ec;
            fs::remove_all(dir, ec);
            sample::FileKinds kinds;
            kinds.legs = kinds.volume = false;
            sample::write_scaled_sample(SAMPLE_DESCRIPTION, (dir / "data").string(), scale, kinds);
            std::ofstream(dir / "complete") << "\n";
        }
        bench::UseInstalledData(dir / "data", dir / "store", HEMZSHIFT8_LIBRARY);
        extract = (dir / "data" / "collisions" / "CDE_sample.csv").string();
        // The first 1,000 rows, for the run that converts the geometry file.
        head = (dir / "head.csv").string();
        std::ifstream in(extract, std::ios::binary);
        std::ofstream out(head, std::ios::binary);
        std::string line;
        for (int i = 0; i <= 1000 && std::getline(in, line); ++i) out << line << '\n';
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void OpenGeometry() {
    static const int16_t log = [] {
        const int16_t n = FreeFile();
        if (!Open_FileNo(n, (setup().dir / "geo.log").string())) std::abort();
        return n;
    }();
    GeoDB_Init("TRgeo", log);
    if (!GeoDB_db.is_open()) std::abort();
}

void BM_CDEaddLatLon(benchmark::State& state) {
    Setup& s = setup();
    const std::string out = (s.dir / "geo.csv").string();
    OpenGeometry();
    CDEaddLatLon("202004", s.head, out, true, true);
    for (auto _ : state) {
        state.PauseTiming();
        GeoDB_Close();  // every segment's points read anew
        OpenGeometry();
        state.ResumeTiming();
        CDEaddLatLon("202004", s.extract, out, true, true);
    }
    const std::string status = TheMainForm().Status.Text();
    if (status.find("CDE collision records written to") == std::string::npos) state.SkipWithError(status.c_str());
    state.SetItemsProcessed(state.iterations() * FromEnv("TW_BENCH_COLLISIONS", 1000000));
}
BENCHMARK(BM_CDEaddLatLon)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
