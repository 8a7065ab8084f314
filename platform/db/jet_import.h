// Copying every table of a Jet file into a new SQLite file, through libmdb.
// Runs inside the child process of run_isolated: libmdb trusts the file it
// reads, and a corrupt one may take it down.
#pragma once

#include <functional>
#include <string>

namespace db::detail {

// Format of the copies; a cache file of another format is made again.
inline constexpr int kCacheFormat = 1;
inline constexpr int kCacheApplicationId = 0x54574442;  // "TWDB"

// Writes the copy into sqlite_path (a new, empty file). Returns "" on
// success, else the reason it failed. `progress` is called for every page.
std::string import_jet(const std::string& mdb_path, const std::string& sqlite_path,
                       const std::function<void()>& progress);

}  // namespace db::detail
