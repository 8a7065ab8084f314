// Sorting the lines of a text file, in place of the Windows sort utility:
// whole lines in byte order, as `LC_ALL=C sort` orders them. A line is the
// bytes before its LF (a CR stays part of the line); a last line without LF
// is a line too, and every line is written with its LF. Lines are sorted in
// memory up to a budget; beyond it, sorted runs go to scratch files in a
// private folder and are merged. The result is the same either way. A large
// file is read, sorted and written in pieces on up to 8 cores, as GNU sort
// does.
#pragma once

#include <cstddef>
#include <string>

namespace shell {

struct SortOptions {
    // Bytes of input held in memory at once (lines and their index).
    std::size_t memory_budget = std::size_t{256} << 20;
    // Where the runs go; "" means PrivateTempFolder().
    std::string scratch_folder;
};

struct SortResult {
    bool ok = false;
    int error = 0;           // errno of the failure
    std::string error_text;  // what failed, with the file's name
    std::size_t lines = 0;   // lines written
    std::size_t runs = 0;    // sorted runs written to disk (0: sorted in memory)
};

// Sorts the lines of `input` into `output`. The output is written to a
// temporary name beside it and renamed into place when complete, so it may
// be the input itself; on failure the output is left as it was.
SortResult SortLines(const std::string& input, const std::string& output, const SortOptions& options = {});

}  // namespace shell
