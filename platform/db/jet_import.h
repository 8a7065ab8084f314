// Copying every table of a Jet file into a new SQLite file, through libmdb.
// Runs inside the child process of run_isolated: libmdb trusts the file it
// reads, and a corrupt one may take it down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace db::detail {

// Format of the copies; a cache file of another format is made again.
inline constexpr int kCacheFormat = 2;  // 2: Numeric columns scaled by their own scale
inline constexpr int kCacheApplicationId = 0x54574442;  // "TWDB"

// What the header page (page 0) of a Jet or ACE file says of its protection:
// a database password, or pages encrypted (neither of which libmdb reads).
enum class Protection { None, Password, Encrypted };
Protection jet_protection(const std::uint8_t* header, std::size_t size);

// Writes the copy into sqlite_path (a new, empty file). Returns "" on
// success, else the reason it failed. `progress` is called at the start and
// then at most every tenth of a second while pages are read.
std::string import_jet(const std::string& mdb_path, const std::string& sqlite_path,
                       const std::function<void()>& progress);

}  // namespace db::detail
