// The section-file commands on the sample network scaled to 100,000
// segments (the described roads plus plain ones):
// - reading a file of 100,000 sections on the described roads (every end
//   checked against its version) and translating it to 202004: goal under 2 s;
// - the overlap check of that file (the whole command, and the check alone
//   once the file is read and the segment table loaded), and the check alone
//   on 100,000 whole plain segments, whose ends meet at nodes: goal under 1 s;
// - section fields copied into a 1,000,000-row extract: goal under 5 s.
// The main window is loaded in the headless backend, so every status line is
// written as the program writes it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hwy_Seg_Table_mod.h"
#include "platform/settings/settings.h"
#include "platform/ui/backend.h"
#include "sdf/SDF_Fields_to_CDE.h"
#include "sdf/SDF_Transform.h"
#include "sdf/SDF_Utils.h"
#include "tools/sample/sample_network.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSections = 100000;
constexpr int kCollisions = 1000000;

// Segments of 201404 on the described roads and their lengths in hm.
struct Road {
    const char* seg;
    int hm;
};
constexpr Road kRoads[] = {{"0010", 124}, {"0020", 120}, {"0030", 146}, {"0040", 98},  {"0050", 63},
                           {"0500", 103}, {"0510", 87},  {"0550", 60},  {"0530", 72},  {"0600", 75},
                           {"0610", 102}, {"0970", 94},  {"0975", 95},  {"0980", 111}, {"0990", 56},
                           {"0971", 73},  {"0972", 48},  {"9010", 51},  {"9050", 36}};
// The same roads in 201807, for the extract.
constexpr Road kRoads201807[] = {{"0010", 124}, {"0020", 120}, {"0030", 146}, {"0040", 98}, {"0050", 63},
                                 {"0500", 103}, {"0510", 87},  {"0550", 60},  {"0530", 72}, {"0610", 102},
                                 {"0970", 94},  {"0975", 60},  {"0980", 111}, {"0971", 73}, {"0972", 48}};

std::string km(int hm_tenths, int hundredths = 0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%d%d", hm_tenths / 10, hm_tenths % 10, hundredths);
    return buf;
}

struct Setup {
    fs::path dir;
    std::shared_ptr<ui::HeadlessBackend> backend = std::make_shared<ui::HeadlessBackend>();
    std::string sections, plain, fields_sdf, extract;

    Setup() {
        std::string tmpl = (fs::temp_directory_path() / "tw-sdfbench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        dir = tmpl;
        for (const char* sub : {"store", "cache", "temp", "out"}) fs::create_directories(dir / sub);
        ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
        ::setenv("temp", (dir / "temp").c_str(), 1);
        settings::SetStoreFolder((dir / "store").string());
        sample::ScaleOptions scale;
        scale.segments = 100000;
        scale.points_per_segment = 2;
        sample::FileKinds kinds;
        kinds.inventories = kinds.geometry = kinds.legs = kinds.volume = false;
        sample::write_scaled_sample(SAMPLE_DESCRIPTION, (dir / "data").string(), scale, kinds);
        for (DataKind k : {DataKind::AllVersions, DataKind::Translation, DataKind::Inventory})
            settings::SaveSetting("Tessawin", "DataFolders", DataFolderKey(k), (dir / "data").string());
        ui::SetBackend(backend);
        backend->on_unexpected = [](const ui::ShownBox&) {};
        MainForm::SetEndProcess([] {});
        TheMainForm().Load();
        AppFolder = PROGRAM_FOLDER;  // the translation library lies there
        // the all-versions database is imported once per file; not timed
        Load_Hwy_Seg_Table("201404");

        // 100,000 sections on the described roads, short ones clear of the
        // segment ends, many overlapping their neighbours.
        sections = (dir / "sections_201404.csv").string();
        {
            OutputFile out(sections);
            out.Write("ID,Segment,Km1,Km2,Note\r\n");
            std::uint32_t seed = 7;
            auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
            for (int i = 1; i <= kSections; ++i) {
                const Road& r = kRoads[next() % std::size(kRoads)];
                const int a = 1 + static_cast<int>(next() % static_cast<unsigned>(r.hm - 3));
                const int b = a + 1 + static_cast<int>(next() % static_cast<unsigned>(std::min(20, r.hm - 2 - a)));
                out.Write("S" + std::to_string(i) + "," + r.seg + "," + km(a, 5) + "," + km(b) + ",note " +
                          std::to_string(i) + "\r\n");
            }
            out.Close();
        }
        // sections of a hm each, 0.2 km apart, for the extract
        fields_sdf = (dir / "fields_201807.csv").string();
        extract = (dir / "cde_201807.csv").string();
        {
            OutputFile out(fields_sdf);
            out.Write("ID,Seg1,Km1,Seg2,Km2,Route,Zone,Speed\r\n");
            int n = 1;
            for (const Road& r : kRoads201807)
                for (int h = 2; h < r.hm - 1; h += 2, ++n)
                    out.Write("F" + std::to_string(n) + "," + r.seg + "," + km(h) + "," + r.seg + "," + km(h, 4) +
                              ",R" + std::to_string(n % 40) + ",Z" + std::to_string(n % 7) + "," +
                              std::to_string(50 + 10 * (n % 6)) + "\r\n");
            out.Close();
            OutputFile cde(extract);
            cde.Write("\"ACCASE\",\"CLSNDATE\",\"SEGNUM\",\"KMMARK\",\"NODE\",\"TOTALINJ\",\"TOTALKLD\"\r\n");
            std::uint32_t seed = 11;
            auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
            char line[200];
            for (int i = 0; i < kCollisions; ++i) {
                const Road& r = kRoads201807[next() % std::size(kRoads201807)];
                int h = 2 + 2 * static_cast<int>(next() % static_cast<unsigned>((r.hm - 3) / 2));
                if (i % 1000 == 0) h += 1;  // between sections
                std::snprintf(line, sizeof line, "\"%07d\",\"2019-%02u-%02u\",\"%s\",\"%s\",\"\",\"%u\",\"0\"\r\n",
                              3000000 + i, 1 + next() % 12, 1 + next() % 28, r.seg, km(h).c_str(), next() % 3);
                cde.Write(line);
            }
            cde.Close();
        }
    }
    ~Setup() {
        TheMainForm().Unload();
        SAV_Forget_Database();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void BM_SDF_ReadAndTranslate(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        TheMainForm().Status.SetText("");
        SDF_Set_HMZversion("201404");
        SDF_Set_File(s.sections);
        SDF_Set_OutFolder((s.dir / "out").string());
        int16_t st = 0;
        SDF_Read(st);
        if (st != 0 || SDF_Count() != kSections) state.SkipWithError("read failed");
        SDF_Transform("202004", 2);
        if (!FileExists((s.dir / "out" / "sections_201404_HMZ202004.csv").string()))
            state.SkipWithError("no translation");
    }
    state.SetItemsProcessed(state.iterations() * kSections);
}
BENCHMARK(BM_SDF_ReadAndTranslate)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SDF_Overlaps(benchmark::State& state) {
    Setup& s = setup();
    int16_t st = 0;
    for (auto _ : state) {
        TheMainForm().Status.SetText("");
        SDF_Set_HMZversion("201404");
        SDF_Set_File(s.sections);
        SDF_Overlaps(st);
        if (st <= 0) state.SkipWithError("no overlaps reported");
    }
    state.counters["overlaps"] = st;
    state.SetItemsProcessed(state.iterations() * kSections);
}
BENCHMARK(BM_SDF_Overlaps)->Unit(benchmark::kMillisecond)->UseRealTime();

// The check alone on the file's 100,000 sections (read and the segment table
// loaded once, outside the timing): derivation, position and node tests and
// the report of every overlap.
void BM_SDF_OverlapCheckOfTheFile(benchmark::State& state) {
    Setup& s = setup();
    SDF_Set_HMZversion("201404");
    SDF_Set_File(s.sections);
    int16_t st = 0;
    SDF_Read(st);
    Load_Hwy_Seg_Table("201404");
    int32_t count = 0;
    for (auto _ : state) {
        TheMainForm().Status.SetText("");
        SDF_Set_hms_and_nodes(st);
        if (st != 0) state.SkipWithError("derivation failed");
        SDF_Find_Overlaps(count);
    }
    state.counters["overlaps"] = count;
    state.SetItemsProcessed(state.iterations() * kSections);
}
BENCHMARK(BM_SDF_OverlapCheckOfTheFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The segment table of the scaled network, which the whole command loads.
void BM_LoadHwySegTable(benchmark::State& state) {
    setup();
    for (auto _ : state) Load_Hwy_Seg_Table("201404");
    state.counters["segments"] = Hwy_Seg_Count;
}
BENCHMARK(BM_LoadHwySegTable)->Unit(benchmark::kMillisecond)->UseRealTime();

// The check alone on every plain segment of the scaled network as a whole
// section: Node1 and Node2 set, each end shared with the next segment.
void BM_SDF_OverlapCheckOnPlainSegments(benchmark::State& state) {
    setup();
    SDF_Set_HMZversion("201807");
    Load_Hwy_Seg_Table("201807");
    int32_t count = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SDF_Sections.assign(1, SDF_Section{});
        for (int32_t r = 1; r <= Hwy_Seg_Count && SDF_Count() < kSections; ++r) {
            const Hwy_Seg_Record& rec = Hwy_Seg_Table[static_cast<std::size_t>(r)];
            SDF_Section sec;
            sec.ID = "P" + std::to_string(r);
            sec.Seg1 = sec.Seg2 = rec.Segment;
            sec.Km1 = 0;
            sec.Km2 = rec.Length;
            SDF_Sections.push_back(sec);
        }
        TheMainForm().Status.SetText("");
        state.ResumeTiming();
        int16_t st = 0;
        SDF_Set_hms_and_nodes(st);
        if (st != 0) state.SkipWithError("derivation failed");
        SDF_Find_Overlaps(count);
    }
    state.counters["overlaps"] = count;
    state.SetItemsProcessed(state.iterations() * kSections);
}
BENCHMARK(BM_SDF_OverlapCheckOnPlainSegments)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SDF_FieldsToCDE(benchmark::State& state) {
    Setup& s = setup();
    const std::string out = (s.dir / "out" / "cde_fields.csv").string();
    for (auto _ : state) {
        TheMainForm().Status.SetText("");
        SDF_Fields_to_CDE("201807", s.extract, s.fields_sdf, out, "Route,Zone,Speed");
        if (!FileExists(out)) state.SkipWithError("no output");
    }
    state.SetItemsProcessed(state.iterations() * kCollisions);
}
BENCHMARK(BM_SDF_FieldsToCDE)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
BENCHMARK_MAIN();
