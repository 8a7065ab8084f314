// A short-sections run over every segment of the scaled sample network (every
// added segment with two intersections, a bridge, an area boundary and a
// terrain change), with attributes and five years of volumes. The databases
// are converted before the timing starts.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/MainForm.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "platform/settings/settings.h"
#include "sections/SS_Psec_Sources.h"
#include "sections/ShortSections.h"
#include "sections/frmShortSections.h"
#include "tools/jet_writer.h"
#include "tools/sample/sample_network.h"
#include "tools/sample/sample_sections.h"

namespace {

namespace fs = std::filesystem;

struct Setup {
    fs::path dir;
    std::string version;
    std::size_t segments = 0;

    Setup() {
        std::string tmpl = (fs::temp_directory_path() / "tw-ssbench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        dir = tmpl;
        ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
        ::setenv("temp", dir.c_str(), 1);
        fs::create_directories(dir / "store");
        fs::create_directories(dir / "out");
        settings::SetStoreFolder((dir / "store").string());
        std::ifstream in(SAMPLE_DESCRIPTION, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        sample::ScaleOptions scale;
        const char* n = std::getenv("TW_BENCH_SEGMENTS");
        scale.segments = n ? std::atoi(n) : 100000;
        sample::Network net = sample::build_network(sample::parse_description(text.str()), scale);
        sample::add_short_section_features(net);
        // One version is enough for the run.
        net.versions.erase(net.versions.begin(), net.versions.end() - 1);
        version = net.versions.back().code;
        segments = net.versions.back().segments.size();
        sample::FileKinds kinds;
        kinds.geometry = false;
        sample::write_data_set(net, (dir / "data").string(), kinds);
        write_volumes(net.versions.back(), (dir / "data" / "Volume_for_Tessawin.mdb").string());

        AppFolder = (dir / "data").string() + "/";
        TempFolder = dir.string() + "/";
        // The first opens convert the files; the run is timed after them.
        if (!HMZ_Open_Database(version)) std::abort();
        if (HMZ_Get_SegLength(net.versions.back().segments.front().code) < 0) std::abort();
        SegAllVersions_Open();
        if (!ss_vol::Open()) std::abort();
        ss_vol::Close();
    }
    ~Setup() {
        HMZ_Close_Database();
        SAV_Forget_Database();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // Five years of one stretch per segment.
    static void write_volumes(const sample::Version& v, const std::string& path) {
        jet::Writer w(path);
        const int t = w.add_table("ALL_" + v.code + "_SEGVOL", {{"Seg", jet::Type::Text, 4},
                                                               {"Year", jet::Type::Integer},
                                                               {"Hm1", jet::Type::Integer},
                                                               {"Hm2", jet::Type::Integer},
                                                               {"counter_type", jet::Type::Text, 2},
                                                               {"AADT", jet::Type::Long}});
        w.add_table("ALL_" + v.code + "_NODVOL", {{"Node", jet::Type::Text, 10},
                                                 {"Year", jet::Type::Integer},
                                                 {"counter_type", jet::Type::Text, 2},
                                                 {"AADT", jet::Type::Long}});
        std::int64_t i = 0;
        for (const sample::Segment& s : v.segments) {
            const std::int64_t hm = std::llround(std::stod(s.length) * 10);
            for (int y = 2015; y <= 2019; ++y)
                w.add_row(t, {s.code, std::int64_t{y}, std::int64_t{0}, hm, std::string("P"),
                              std::int64_t{1000 + (i++ % 5000)}});
        }
        w.finish();
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void BM_ShortSections_Run(benchmark::State& state) {
    Setup& s = setup();
    MainForm& main = TheMainForm();
    main.SDF_HMZversion.SetText(s.version);
    main.Out_Folder.SetText((s.dir / "out").string());
    frmShortSections& w = TheShortSectionsForm();
    w.txtRunID.SetText("bench");
    w.optPrimSec_HMZsegment.SetValue(true);
    w.txtMinLen.SetText("0.2");
    w.txtMaxLen.SetText("1");
    w.chkIncludeADT.SetValue(ui::vbChecked);
    w.txtADTyear1.SetText("2015");
    w.txtADTyear2.SetText("2019");
    w.ShortSectionsLogFileName = (s.dir / "short_sections_log_bench.txt").string();
    int32_t count = 0;
    for (auto _ : state) {
        Run_ShortSections(w, count);
        if (count == 0) state.SkipWithError("no records written");
    }
    state.counters["segments"] = static_cast<double>(s.segments);
    state.counters["records"] = count;
}
BENCHMARK(BM_ShortSections_Run)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
