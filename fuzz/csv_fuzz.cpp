// The CSV scanner and line reader: a file read line by line, each line split
// and scanned field by field as the tools do, under the separator, quote and
// blanks the first byte picks.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/Brellinlib.h"
#include "fuzz/fuzz_support.h"

namespace {

// A scan that reports a field must move on, or its callers never end.
void Check(bool moved) {
    if (!moved) std::abort();
}

void ScanLine(const std::string& line) {
    int16_t col = 1, status = 0;
    for (int k = 0; k < 40000; ++k) {
        const int16_t before = col;
        std::string field;
        SCAN_S(line, field, 100, col, status);
        if (status == 1) break;
        Check(col > before);
    }
    col = 1;
    for (int k = 0; k < 40000; ++k) {
        const int16_t before = col;
        int32_t value = 0;
        SCAN_I4(line, value, 12, col, status);
        if (status == 1) break;
        Check(col > before);
    }
    std::vector<std::string> fields(101);
    int16_t n = 0;
    CSV_Split(line, fields, n, true);
    Check(n >= 0 && n <= 100);
    CSV_SplitTrim(line, fields, n);
    const int16_t count = CSV_FieldCount(line);
    for (int16_t i = 1; i <= count && i <= 4; ++i) StripQuotes(CSV_Field(line, i));
    for (int16_t w = 1; w <= Word_Count(line) && w <= 4; ++w) Nth_Word(line, w);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::StartHeadless();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::NewInput();
    if (size == 0) return 0;
    const unsigned pick = data[0];
    static const char* const separators[] = {",", ";", "\t", "|"};
    static const char* const quotes[] = {"\"", "'", " ", "\"\""};
    Set_CSV_Separator(separators[pick & 3]);
    Set_CSV_Quote(quotes[(pick >> 2) & 3]);
    if (pick & 16) Set_Scan_Blanks(" ,");
    InputFile in(fuzzing::WriteInput("input.csv", data + 1, size - 1));
    bool eof = false;
    std::string line;
    while (!eof) {
        Read_Line(in, line, eof);
        ScanLine(line);
    }
    return 0;
}
