// The detail-report reader: an RTF detail report split into one file per
// collision, then the two index pages made from what the split found.
#include <cstdint>

#include "collisions/WebRep.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::StartHeadless();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::NewInput();
    const std::string report = fuzzing::WriteInput("Detail.rtf", data, size);
    const std::string out = fuzzing::CleanFolder("split");
    int16_t status = 0;
    SplitDetailReport(report, out, status);
    if (!DetailIndex().empty()) MakeHTMLIndeces(out);
    return 0;
}
