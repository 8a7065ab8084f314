// The section definition file reader and the overlap check: the file read,
// checked against the sample's inventory of 201807, derived and checked for
// overlaps, as "Check for Overlaps" does.
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "sdf/SDF_Utils.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::StartHeadless();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::NewInput();
    SDF_Set_HMZversion("201807");
    SDF_Set_File(fuzzing::WriteInput("sections.csv", data, size));
    SDF_Set_OutFolder(fuzzing::Scratch());
    int16_t status = 0;
    SDF_Overlaps(status);
    return 0;
}
