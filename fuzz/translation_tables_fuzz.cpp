// The translation library's tables: the groups, the match points and the
// segment lengths (the input's three parts, split at the byte 0x1E) loaded
// by the library, then locations of the sample network translated through
// them, forwards and back, checked and given their whole history.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "translation/Hemzshift8.h"

namespace {

std::string Fixed(std::string_view s, std::size_t n) {
    std::string out(s.substr(0, n));
    out.resize(n, ' ');
    return out;
}

struct Location {
    const char* segment;
    const char* code;
    float km;
};
constexpr Location kLocations[] = {
    {"0020", " ", 5.0f}, {"0975", " ", 7.7f}, {"0600", "N", 1.8f}, {"0600", "S", 1.8f},
    {"0510", " ", 3.0f}, {"9060", " ", 1.0f}, {"0010", " ", 12.43f}, {"12A4", " ", 1.0f},
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::StartHeadless();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::NewInput();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string folder = fuzzing::CleanFolder("tables");
    const char* const names[] = {"HMZ_Transform_Group.csv", "HMZ_Transform_Match.csv", "SegAllVersions.csv"};
    std::size_t at = 0;
    for (const char* name : names) {
        const std::size_t end = std::min(input.find('\x1e', at), input.size());
        const std::string_view part = input.substr(std::min(at, input.size()), end - std::min(at, input.size()));
        fuzzing::WriteInput("tables/" + std::string(name), reinterpret_cast<const std::uint8_t*>(part.data()),
                            part.size());
        at = end + 1;
    }
    const int32_t ndp = 2;
    DLL_HEMZSHIFT_INIT(&ndp, nullptr, 0, folder.data(), static_cast<int32_t>(folder.size()));
    const std::string date = Fixed("2015-06-01", 10);
    for (const Location& l : kLocations) {
        const std::string seg = Fixed(l.segment, 4);
        char out[4];
        float km = 0;
        uint8_t obs = 0, split = 0;
        int32_t steps = 0, status = 0;
        DLL_HEMZSHIFT(date.data(), 10, seg.data(), 4, l.code, 1, &l.km, out, 4, &km, &obs, &steps, &split);
        for (const char* version : {"202004", "200704"}) {
            const std::string target = Fixed(version, 10);
            DLL_HEMZSHIFT_TO_HMZVERSION(date.data(), 10, seg.data(), 4, l.code, 1, &l.km, target.data(), 10, out, 4,
                                        &km, &obs, &steps, &split);
            DLL_HEMZSHIFT_CHECK_LOCN(target.data(), 10, seg.data(), 4, &l.km, &status);
        }
        const int32_t mode = -9;
        DLL_HEMZSHIFT_ALL(&mode, date.data(), 10, seg.data(), 4, l.code, 1, &l.km, &status);
        char end_date[10];
        DLL_HEMZSHIFT_GET_END_DATE(seg.data(), 4, end_date, 10);
    }
    return 0;
}
