// The collision diagram's extract reader: an extract loaded into the diagram
// table, its collisions classified into diagram symbols, all and by their
// first location.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "mapping/CollisionDiagram.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::StartHeadless();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::NewInput();
    const std::string path = fuzzing::WriteInput("CDE.csv", data, size);
    Read_CDE(path);
    if (CDE_RecordCount <= 0) return 0;
    int16_t plotted = 0, unplottable = 0;
    CountDiagramCollisions(path, {}, plotted, unplottable);
    const std::vector<std::string> first = {"", CDE_LocationKeys[1]};
    CountDiagramCollisions(path, first, plotted, unplottable);
    LocationKeyLabel(CDE_LocationKeys[1]);
    return 0;
}
