// The Volume tab's run along a 500-segment search path over 10 years, on the
// sample network scaled to 100,000 segments (TW_BENCH_SEGMENTS to change):
// the whole run (path from the highway table, report written) in both
// report formats, and the calculation alone on a built path.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/MainForm.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hwy_Seg_Table_mod.h"
#include "platform/settings/settings.h"
#include "platform/ui/backend.h"
#include "sections/vol_Calculation.h"
#include "sections/vol_Database.h"
#include "sections/vol_Run.h"
#include "sections/vol_SearchPath.h"
#include "tools/sample/sample_network.h"
#include "tools/sample/sample_volume.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPathSegments = 500;

struct Setup {
    fs::path dir;
    std::string start, end;
    int16_t end_hm = 0;
    std::shared_ptr<ui::HeadlessBackend> ui = std::make_shared<ui::HeadlessBackend>();

    Setup() {
        std::string tmpl = (fs::temp_directory_path() / "tw-volbench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        dir = tmpl;
        ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
        ::setenv("temp", dir.c_str(), 1);
        ui::SetBackend(ui);
        settings::SetStoreFolder((dir / "store").string());
        std::ifstream in(SAMPLE_DESCRIPTION, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        sample::ScaleOptions scale;
        const char* n = std::getenv("TW_BENCH_SEGMENTS");
        scale.segments = n ? std::atoi(n) : 100000;
        scale.points_per_segment = 2;
        const sample::Network net = sample::build_network(sample::parse_description(text.str()), scale);
        sample::FileKinds kinds{false, true, false, false, false, true};
        const std::string data = (dir / "data").string();
        sample::write_data_set(net, data, kinds);
        AppFolder = (dir / "app").string() + "/";
        fs::create_directories(AppFolder);
        fs::create_directories(dir / "out");
        for (const char* key : {"AllVersions", "Volume"}) settings::SaveSetting("Tessawin", "DataFolders", key, data);

        // 500 segments of the filler highways, in the table's order; the
        // database holds the first 5000 segments of the version
        Load_Hwy_Seg_Table("202004");
        int32_t first = 0;
        for (int32_t i = 1; i <= Hwy_Seg_Count && !first; ++i)
            if (Hwy_Seg_Table[static_cast<std::size_t>(i)].Segment[0] == 'A') first = i;
        if (!first || first + kPathSegments > Hwy_Seg_Count) std::abort();
        start = Hwy_Seg_Table[static_cast<std::size_t>(first)].Segment;
        end = Hwy_Seg_Table[static_cast<std::size_t>(first + kPathSegments - 1)].Segment;
        end_hm = Hwy_Seg_Table[static_cast<std::size_t>(first + kPathSegments - 1)].Length_hm;

        MainForm& f = TheMainForm();
        f.Out_Folder.SetText((dir / "out").string());
        f.vol_StartSeg.SetText(start);
        f.vol_EndSeg.SetText(end);
        f.vol_StartDate.SetText("2011-01-01");
        f.vol_EndDate.SetText("2020-12-31");
        f.vol_HMZversion.SetText("202004");
        f.vol_optionHMZ.SetValue(true);
        // A first run converts the database; the runs are timed after it.
        run(true);
        if (!Open_Volume_DB()) std::abort();
        Vol_Max_Year("202004");
    }
    void run(bool detailed) {
        MainForm& f = TheMainForm();
        f.vol_StartKm.SetText("");
        f.vol_EndKm.SetText("");
        f.vol_outFile.SetText(detailed ? "detailed.csv" : "utvs.csv");
        (detailed ? f.vol_outputDetailed : f.vol_outputVDE).SetValue(true);
        fs::remove(dir / "out" / (detailed ? "detailed.csv" : "utvs.csv"));
        Volume_Processing();
        if (f.Status.Text().find("========Results========") == std::string::npos) {
            std::fprintf(stderr, "volume run failed:\n%s\n", f.Status.Text().c_str());
            std::abort();
        }
    }
    ~Setup() {
        Close_Volume_DB();
        SAV_Forget_Database();
        ui::SetBackend(nullptr);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void BM_VolumeRun_ByYear(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) s.run(true);
    state.SetLabel("500 segments, 2011-2020, report by year");
}
BENCHMARK(BM_VolumeRun_ByYear)->Unit(benchmark::kMillisecond);

void BM_VolumeRun_ByUTVS(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) s.run(false);
    state.SetLabel("500 segments, 2011-2020, report by UTVS");
}
BENCHMARK(BM_VolumeRun_ByUTVS)->Unit(benchmark::kMillisecond);

// The path from the highway table (its 100,000 rows loaded each time).
void BM_Build_HMZ_Search_Path(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        Erase_Search_Path();
        Build_HMZ_Search_Path(s.start, s.end, "202004");
        benchmark::DoNotOptimize(vol_PathCount);
    }
}
BENCHMARK(BM_Build_HMZ_Search_Path)->Unit(benchmark::kMillisecond);

// The calculation alone, on the path and the open database.
void BM_GetSectionVolume(benchmark::State& state) {
    Setup& s = setup();
    Erase_Search_Path();
    Build_HMZ_Search_Path(s.start, s.end, "202004");
    Open_Volume_DB();
    const VolDate a{2011, 1, 1}, b{2020, 12, 31};
    vol_StartMonth = vol_EndMonth = 0;
    for (auto _ : state) {
        int32_t total = 0, adt = 0, days = 0, length = 0;
        std::string types;
        float missing = 0;
        GetSectionVolume(s.start, 0, s.end, s.end_hm, a, b, total, adt, days, types, missing, length, 1, "202004");
        benchmark::DoNotOptimize(total);
    }
    Close_Volume_DB();
}
BENCHMARK(BM_GetSectionVolume)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
