// GeoDB_LookupLatLon, Closest_HMZ_Locns, Naltalbers_XY and a ">>>>" run of
// the segment/km window over a 5,000-row workbook, on the sample network
// scaled to 100,000 segments of 100 geometry points (10 million points;
// TW_BENCH_SEGMENTS and TW_BENCH_POINTS set other sizes).
// Goals: a lookup under 2 us once its segment's points are read; a
// nearest-location query under 20 us from the grid of points; the 5,000
// rows under 1 s;
// Naltalbers_XY at least as fast as PROJ's transform.
#include <benchmark/benchmark.h>
#include <proj.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "bench/installed_data.h"
#include "common/DataFolders.h"
#include "common/FileNumbers.h"
#include "common/TessawinMod.h"
#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/frmHMZLatLon.h"
#include "platform/office/spreadsheet.h"
#include "platform/settings/settings.h"
#include "platform/shell/shell.h"
#include "inventory/LatLon_to_SegKm.h"
#include "inventory/Locn_LatLon.h"
#include "tools/sample/sample_network.h"

namespace {

namespace fs = std::filesystem;

struct Point {
    std::string seg;
    float km;
    double lat, lon;
};

struct Setup {
    fs::path dir;
    std::vector<std::string> segments;
    std::vector<float> lengths;
    std::vector<Point> points;  // on the centreline, for the searches

    Setup() {
        std::string tmpl = (fs::temp_directory_path() / "tw-bench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        dir = tmpl;
        ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
        ::setenv("temp", dir.c_str(), 1);
        std::ifstream in(SAMPLE_DESCRIPTION, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        sample::ScaleOptions scale;
        const char* n = std::getenv("TW_BENCH_SEGMENTS");
        const char* p = std::getenv("TW_BENCH_POINTS");
        scale.segments = n ? std::atoi(n) : 100000;
        scale.points_per_segment = p ? std::atoi(p) : 100;
        const sample::Network net = sample::build_network(sample::parse_description(text.str()), scale);
        sample::write_data_set(net, (dir / "data").string());
        for (const auto& s : net.versions.back().segments) {
            segments.push_back(s.code);
            lengths.push_back(std::stof(s.length));
        }
        bench::UseInstalledData(dir / "data", dir / "store", HEMZSHIFT8_LIBRARY);
        const int16_t log = FreeFile();
        if (!Open_FileNo(log, (dir / "geo.log").string())) std::abort();
        // The first open converts the file; the lookups are timed after it.
        GeoDB_Init("TRgeo", log);
        if (!GeoDB_db.is_open()) std::abort();
        for (std::size_t i = 0; i < segments.size(); i += segments.size() / 997 + 1) {
            Point pt{segments[i], lengths[i] / 3, 0, 0};
            int16_t status = 0;
            GeoDB_LookupLatLon(true, pt.seg, pt.km, pt.lat, pt.lon, status);
            if (status >= 0) points.push_back(pt);
        }
        // 5,000 rows of segment and km, a segment of its own on most rows.
        auto app = office::Application::Start();
        auto book = app->WorkbooksAdd();
        auto ws = book->Worksheets(1);
        ws->SetRow(1, 1, {"Segment", "Km", "Latitude", "Longitude"});
        for (int r = 2; r <= 5001; ++r) {
            const std::size_t i = (static_cast<std::size_t>(r) * 7919) % segments.size();
            ws->SetRow(r, 1, {segments[i], std::to_string(lengths[i] * (r % 10) / 10)});
        }
        workbook = (dir / "rows5000.xlsx").string();
        book->SaveAs(workbook);
        app->Quit();
    }
    std::string workbook;
    ~Setup() {
        GeoDB_Close();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

// Kms along one segment whose points are already read.
void BM_GeoDB_LookupLatLon_Cached(benchmark::State& state) {
    Setup& s = setup();
    const std::string seg = s.segments[s.segments.size() / 2];
    const float len = s.lengths[s.segments.size() / 2];
    double lat = 0, lon = 0;
    int16_t status = 0;
    GeoDB_LookupLatLon(true, seg, 0.5f, lat, lon, status);
    float km = 0;
    for (auto _ : state) {
        km += 0.37f;
        if (km > len) km -= len;
        GeoDB_LookupLatLon(true, seg, km, lat, lon, status);
        benchmark::DoNotOptimize(lat);
    }
}
BENCHMARK(BM_GeoDB_LookupLatLon_Cached);

// A different segment every time (its points read once, then kept). The
// runs read fewer segments than would have the module read the whole table.
void BM_GeoDB_LookupLatLon_NewSegment(benchmark::State& state) {
    Setup& s = setup();
    std::size_t i = 0;
    double lat = 0, lon = 0;
    int16_t status = 0;
    for (auto _ : state) {
        GeoDB_LookupLatLon(true, s.segments[i], s.lengths[i] / 2, lat, lon, status);
        benchmark::DoNotOptimize(lat);
        if (++i == s.segments.size()) i = 0;
    }
}
BENCHMARK(BM_GeoDB_LookupLatLon_NewSegment);

// The geometry database opened anew: no grid of its points yet.
void Reopen() {
    GeoDB_Close();
    GeoDB_Init("TRgeo", 1);
    if (!GeoDB_db.is_open()) std::abort();
}

// 300 m around points on the centreline, read from the grid of points.
void BM_Closest_HMZ_Locns(benchmark::State& state) {
    Setup& s = setup();
    if (!BuildNearestGrid()) state.SkipWithError("no grid");
    state.counters["grid_MB"] = static_cast<double>(NearestGridBytes()) / 1e6;
    std::size_t i = 0;
    int16_t n = 0;
    std::vector<std::string> segs;
    std::vector<float> kms;
    std::vector<int32_t> dists;
    for (auto _ : state) {
        Closest_HMZ_Locns(s.points[i].lat, s.points[i].lon, 300, n, segs, kms, dists);
        benchmark::DoNotOptimize(n);
        if (++i == s.points.size()) i = 0;
    }
}
BENCHMARK(BM_Closest_HMZ_Locns);

// The same before the grid is built: the box read through the database.
void BM_Closest_HMZ_Locns_BeforeTheGrid(benchmark::State& state) {
    Setup& s = setup();
    Reopen();
    std::size_t i = 0;
    int16_t n = 0;
    std::vector<std::string> segs;
    std::vector<float> kms;
    std::vector<int32_t> dists;
    for (auto _ : state) {
        Closest_HMZ_Locns(s.points[i].lat, s.points[i].lon, 300, n, segs, kms, dists);
        benchmark::DoNotOptimize(n);
        if (++i == s.points.size()) i = 0;
    }
    if (NearestGridBytes() > 0) state.SkipWithError("the grid was built meanwhile");
}
BENCHMARK(BM_Closest_HMZ_Locns_BeforeTheGrid);

// Building the grid, which a run's searches do once their queries have cost
// about as much.
void BM_NearestGrid_Build(benchmark::State& state) {
    setup();
    for (auto _ : state) {
        state.PauseTiming();
        Reopen();
        state.ResumeTiming();
        if (!BuildNearestGrid()) state.SkipWithError("no grid");
    }
    state.counters["grid_MB"] = static_cast<double>(NearestGridBytes()) / 1e6;
}
BENCHMARK(BM_NearestGrid_Build)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The next point of a walk that stays within the mapped region.
void Step(double& lat, double& lon) {
    lat += 1.3e-4;
    lon += 1.7e-4;
    if (lat > 60) lat -= 15;
    if (lon > -114) lon -= 25;
}

void BM_Naltalbers_XY(benchmark::State& state) {
    double lat = 49.0, lon = -125.0;
    int32_t Y = 0, X = 0;
    for (auto _ : state) {
        Step(lat, lon);
        Naltalbers_XY(lat, lon, Y, X);
        benchmark::DoNotOptimize(X);
        benchmark::DoNotOptimize(Y);
    }
}
BENCHMARK(BM_Naltalbers_XY);

void BM_Proj_Albers(benchmark::State& state) {
    PJ_CONTEXT* ctx = proj_context_create();
    PJ* pj = proj_create(ctx, "+proj=aea +lat_0=45 +lon_0=-126 +lat_1=50 +lat_2=58.5 +x_0=1000000 +y_0=0 +ellps=GRS80");
    double lat = 49.0, lon = -125.0;
    for (auto _ : state) {
        Step(lat, lon);
        PJ_COORD r = proj_trans(pj, PJ_FWD, proj_coord(proj_torad(lon), proj_torad(lat), 0, 0));
        benchmark::DoNotOptimize(r);
    }
    proj_destroy(pj);
    proj_context_destroy(ctx);
}
BENCHMARK(BM_Proj_Albers);

// ">>>>" over 5,000 rows of a fresh copy of the workbook: landmark lookups in
// the inventory of 202004, else the centreline; the workbook saved in place.
void BM_SegKm_to_LatLon_5000Rows(benchmark::State& state) {
    Setup& s = setup();
    const std::string book = (s.dir / "run.xlsx").string();
    frmHMZLatLon& w = The_frmHMZLatLon();
    w.Load();
    w.optExcelFile.SetValue(true);
    w.txtExcelFileName.SetText(book);
    w.txtLL_HMZversion.SetText("202004");
    w.txtLL_ndp.SetText("2");
    w.txtFirstRow.SetText("2");
    w.txtLastRow.SetText("5001");
    w.txtColSeg1.SetText("A");
    w.txtColKm1.SetText("B");
    w.txtColLat1.SetText("C");
    w.txtColLon1.SetText("D");
    // The first run converts the inventory and all-versions databases.
    fs::copy_file(s.workbook, book, fs::copy_options::overwrite_existing);
    w.cmdSegKmtoLatLon_Click();
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(s.workbook, book, fs::copy_options::overwrite_existing);
        GeoDB_Close();  // every segment's points read anew
        GeoDB_Init("TRgeo", 1);
        state.ResumeTiming();
        w.cmdSegKmtoLatLon_Click();
    }
    if (TheMainForm().Status.Text() != "Finished processing rows 2 to 5001")
        state.SkipWithError(TheMainForm().Status.Text().c_str());
    hmz_DB.close();
}
BENCHMARK(BM_SegKm_to_LatLon_5000Rows)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
