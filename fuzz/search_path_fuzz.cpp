// The search-path reader: a search-path file read into the path, then every
// segment item looked up again as the volume run looks collisions up.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "sections/vol_SearchPath.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::StartHeadless();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::NewInput();
    if (!Read_Search_Path_File(fuzzing::WriteInput("SearchPath.txt", data, size))) return 0;
    for (int32_t i = 1; i <= vol_PathCount && i <= 200; ++i) {
        const PathRec& p = vol_Path[static_cast<std::size_t>(i)];
        if (p.Type == "SEG") {
            Find_Path_Item(1, p.Name, p.Hm1);
            Find_Path_Item(i, p.Name, static_cast<int16_t>(p.Hm2 + 1));
        }
    }
    return 0;
}
