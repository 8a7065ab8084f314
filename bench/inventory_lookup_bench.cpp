#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/TessawinMod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/Intersections.h"
#include "tools/jet_writer.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSegments = 100000;
constexpr int kLandmarks = 200000;

// 100,000 distinct 4-character codes (base 36).
std::string seg_code(int i) {
    static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string s(4, '0');
    for (int k = 3; k >= 0; --k, i /= 36) s[static_cast<std::size_t>(k)] = digits[i % 36];
    return s;
}

// A scaled inventory written once, opened for the whole run.
struct Setup {
    fs::path dir;

    Setup() {
        std::string tmpl = (fs::temp_directory_path() / "tw-invbench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) std::abort();
        dir = tmpl;
        ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
        AppFolder = dir.string() + "/";
        jet::Writer w((dir / "HMZ_Data_201807.mdb").string());
        const int seg = w.add_table("Segment", {{"Segment", jet::Type::Text, 4},
                                                {"Length", jet::Type::Single},
                                                {"Begin_Node", jet::Type::Text, 8},
                                                {"End_Node", jet::Type::Text, 8},
                                                {"Begin_Continuity", jet::Type::Text, 1},
                                                {"End_Continuity", jet::Type::Text, 1},
                                                {"nway", jet::Type::Byte},
                                                {"Highway_Number", jet::Type::Integer},
                                                {"Highway_Letter", jet::Type::Text, 1}});
        const int segarea = w.add_table("SegArea", {{"Segment", jet::Type::Text, 4},
                                                    {"Start_Km", jet::Type::Single},
                                                    {"End_km", jet::Type::Single},
                                                    {"Area", jet::Type::Integer}});
        const int area = w.add_table("Area", {{"Area", jet::Type::Integer},
                                              {"District", jet::Type::Integer},
                                              {"Name", jet::Type::Text, 50}});
        const int district = w.add_table("District", {{"District", jet::Type::Integer},
                                                      {"Region", jet::Type::Integer},
                                                      {"Name", jet::Type::Text, 50}});
        w.add_table("Landmark", {{"ID", jet::Type::Long},
                                 {"Segment", jet::Type::Text, 4},
                                 {"Km", jet::Type::Single},
                                 {"LMtype", jet::Type::Text, 2},
                                 {"Latitude", jet::Type::Double},
                                 {"Longitude", jet::Type::Double}});
        for (int i = 0; i < kSegments; ++i) {
            const std::string s = seg_code(i);
            w.add_row(seg, {s, 10.0 + i % 7, "N" + std::to_string(i), "N" + std::to_string(i + 1), std::string("C"),
                            std::string("C"), std::int64_t{2}, std::int64_t{1 + i % 99}, jet::Value{}});
            w.add_row(segarea, {s, 0.0, 5.0, std::int64_t{1 + i % 300}});
            w.add_row(segarea, {s, 5.0, 10.0 + i % 7, std::int64_t{1 + (i + 1) % 300}});
        }
        for (int a = 1; a <= 300; ++a) w.add_row(area, {std::int64_t{a}, std::int64_t{1 + a % 30}, "Area"});
        for (int d = 1; d <= 30; ++d) w.add_row(district, {std::int64_t{d}, std::int64_t{1 + d % 5}, "District"});
        w.finish();

        std::ofstream legs(dir / "Landmark-Intersection_Legs_Pre2018.csv");
        legs << "Landmark_ID,Intersection_ID,Legs\n";
        for (int i = kLandmarks; i >= 1; --i) legs << 3 * i << "," << i << ",4\n";
    }
    ~Setup() {
        HMZ_Close_Database();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void open_inventory() {
    setup();
    if (!hmz_DB.is_open() && !HMZ_Open_Database("201807")) std::abort();
}

void BM_HMZ_Get_RegDistArea(benchmark::State& state) {
    open_inventory();
    int i = 0;
    for (auto _ : state) {
        int16_t r, d, a;
        HMZ_Get_RegDistArea(seg_code(i), 7.5f, r, d, a);
        benchmark::DoNotOptimize(a);
        i = (i + 7919) % kSegments;
    }
}
BENCHMARK(BM_HMZ_Get_RegDistArea);

void BM_HMZ_Get_SegLength(benchmark::State& state) {
    open_inventory();
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(HMZ_Get_SegLength(seg_code(i)));
        i = (i + 7919) % kSegments;
    }
}
BENCHMARK(BM_HMZ_Get_SegLength);

void BM_HMZ_Load_Node(benchmark::State& state) {
    open_inventory();
    int i = 1;
    for (auto _ : state) {
        HMZ_Load_Node("N" + std::to_string(i));
        benchmark::DoNotOptimize(HMZ_Node.count);
        i = 1 + (i + 7919) % kSegments;
    }
}
BENCHMARK(BM_HMZ_Load_Node);

void BM_Find_Landmark_Intersection(benchmark::State& state) {
    setup();
    int32_t n = 0;
    if (LI_Count != kLandmarks) Load_Landmark_Intersection_IDs("200806", n);
    int i = 1;
    for (auto _ : state) {
        int32_t id;
        int16_t legs;
        Find_Landmark_Intersection(3 * i, id, legs);
        benchmark::DoNotOptimize(id);
        i = 1 + (i + 7919) % kLandmarks;
    }
}
BENCHMARK(BM_Find_Landmark_Intersection);

}  // namespace

BENCHMARK_MAIN();
