// The section-analysis report readers: a report reformatted into the
// section file and its location records combined by group.
#include <cstdint>

#include "collisions/SSA.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::StartHeadless();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::NewInput();
    const std::string report = fuzzing::WriteInput("SSA.csv", data, size);
    const std::string out = fuzzing::CleanFolder("out");
    SSA_Reformat(report, out + "SSA_Orvel.csv");
    SSA_CombineLocations(report, out + "SSA_COMBINED.csv");
    return 0;
}
