// The page structure of a Jet file that libmdb follows without checking: the
// file's length in whole pages, a table's chain of definition pages and the
// usage maps that list its pages. A file cut short (an interrupted copy)
// leaves these pointing past its end, and libmdb then reads a null map.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace db::detail {

// Why a file fails the checks below.
inline constexpr const char* kJetDamaged = "it is damaged or incomplete; was its copy interrupted?";

// The page of the catalog's own table definition.
inline constexpr std::uint32_t kJetCatalogPage = 2;

class JetPages {
public:
    JetPages() = default;
    ~JetPages();
    JetPages(const JetPages&) = delete;
    JetPages& operator=(const JetPages&) = delete;

    // Opens the file and checks that its length is a whole number of pages
    // (of the size its header names) reaching at least the catalog. "" when
    // it is, kJetDamaged when not, another reason when it cannot be read.
    std::string open(const std::string& path);

    // "" when the table whose definition begins on tdef_page can be walked:
    // every page of its definition lies in the file and is one, and both of
    // its usage maps are rows that exist, the map of its pages naming only
    // pages in the file; else kJetDamaged.
    std::string table(std::uint32_t tdef_page);

    std::uint32_t page_count() const { return pages_; }

private:
    bool read(std::uint32_t page, std::vector<std::uint8_t>& out);
    // The bytes of row `ref` (page << 8 | row); false when there is no such row.
    bool row(std::uint32_t ref, std::vector<std::uint8_t>& out);
    bool map_pages_exist(const std::vector<std::uint8_t>& map);

    int fd_ = -1;
    std::uint32_t page_size_ = 0;
    std::uint32_t pages_ = 0;
    bool jet3_ = false;
    std::vector<std::uint8_t> page_, map_page_;
};

}  // namespace db::detail
