// The inputs kept in fuzz/regressions/<target>/, each of which once crashed,
// hung or blew up a reader, run again through that reader's fuzz target: a
// crash, an abort of the target's own checks or a sanitizer's report fails
// the suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

TEST(FuzzRegressions, EveryKeptInputRunsThrough) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(nullptr, nullptr);
    std::vector<std::filesystem::path> inputs;
    for (const auto& e : std::filesystem::directory_iterator(REGRESSIONS)) inputs.push_back(e.path());
    std::sort(inputs.begin(), inputs.end());
    ASSERT_FALSE(inputs.empty());
    for (const auto& p : inputs) {
        SCOPED_TRACE(p.filename().string());
        std::ifstream in(p, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
}

}  // namespace
