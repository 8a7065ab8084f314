// The class-rate report reader: a report turned into the rate table, with
// the class sets and volume ranges the report lists and with the tab's own.
#include <cstdint>

#include "collisions/RateTable.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::StartHeadless();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::NewInput();
    const std::string report = fuzzing::WriteInput("ClassRate.csv", data, size);
    const std::string out = fuzzing::CleanFolder("out");
    ClassRate_to_RateTable(report, out + "RateTable.csv", {}, {}, {});
    ClassRate_to_RateTable(report, out + "RateTable2.csv", {"", "* U A U 2", "* R A U 2"}, {0, 1, 1}, {0, 5000, 999999});
    return 0;
}
