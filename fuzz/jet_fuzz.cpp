// The Jet import: a file checked and copied table by table into SQLite, as
// the child process of the database layer does it, here in this process so
// that the fuzzer sees what the reading covers.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/db/jet_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzzing::WriteInput("input.mdb", data, size);
    const std::string copy = fuzzing::CleanFolder("copy") + "copy.sqlite";
    db::detail::import_jet(path, copy, [] {});
    return 0;
}
