#include "platform/db/jet_pages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace db::detail {

namespace {

constexpr std::uint8_t kTablePage = 0x02;
constexpr std::uint8_t kMapPage = 0x05;
constexpr unsigned kOffsetMask = 0x1FFF;

std::uint32_t le16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0] | (p[1] << 8));
}
std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

JetPages::~JetPages() {
    if (fd_ >= 0) ::close(fd_);
}

std::string JetPages::open(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return std::string("it cannot be read: ") + std::strerror(errno);
    std::uint8_t version = 0;
    if (::pread(fd_, &version, 1, 0x14) != 1) return kJetDamaged;
    jet3_ = version == 0;
    page_size_ = jet3_ ? 2048 : 4096;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size % page_size_ != 0 || size / page_size_ <= kJetCatalogPage || size / page_size_ > UINT32_MAX)
        return kJetDamaged;
    pages_ = static_cast<std::uint32_t>(size / page_size_);
    return "";
}

bool JetPages::read(std::uint32_t page, std::vector<std::uint8_t>& out) {
    if (page >= pages_) return false;
    out.resize(page_size_);
    std::size_t done = 0;
    while (done < page_size_) {
        const ssize_t n = ::pread(fd_, out.data() + done, page_size_ - done,
                                  static_cast<off_t>(page) * page_size_ + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// As libmdb finds a row: its slot gives where it begins, the slot before it
// where it ends (the first row ends at the end of the page).
bool JetPages::row(std::uint32_t ref, std::vector<std::uint8_t>& out) {
    std::vector<std::uint8_t>& pg = map_page_;
    if (!read(ref >> 8, pg)) return false;
    const std::uint32_t count_at = jet3_ ? 8 : 12;
    const std::uint32_t rows = le16(pg.data() + count_at);
    const std::uint32_t r = ref & 0xFF;
    const std::uint32_t slots_end = count_at + 2 + 2 * rows;
    if (r >= rows || slots_end > page_size_) return false;
    const std::uint32_t begin = le16(pg.data() + count_at + 2 + 2 * r) & kOffsetMask;
    const std::uint32_t end = r == 0 ? page_size_ : le16(pg.data() + count_at + 2 * r) & kOffsetMask;
    if (begin < slots_end || begin >= end || end > page_size_) return false;
    out.assign(pg.begin() + begin, pg.begin() + end);
    return true;
}

// A map is its type, then either a first page and the bitmap of the pages
// from there (type 0), or the pages that hold the bitmaps (type 1).
bool JetPages::map_pages_exist(const std::vector<std::uint8_t>& map) {
    auto bits_in_file = [&](const std::uint8_t* bits, std::size_t n, std::uint64_t first) {
        for (std::size_t i = 0; i < n; ++i) {
            if (bits[i] == 0) continue;
            int top = 7;
            while (!(bits[i] & (1u << top))) --top;
            if (first + i * 8 + static_cast<std::uint64_t>(top) >= pages_) return false;
        }
        return true;
    };
    if (map.empty()) return false;
    if (map[0] == 0) return map.size() >= 5 && bits_in_file(map.data() + 5, map.size() - 5, le32(map.data() + 1));
    if (map[0] != 1) return false;
    const std::uint64_t per_page = static_cast<std::uint64_t>(page_size_ - 4) * 8;
    std::vector<std::uint8_t> bitmap;
    for (std::size_t k = 0; 1 + 4 * k + 4 <= map.size(); ++k) {
        const std::uint32_t pg = le32(map.data() + 1 + 4 * k);
        if (pg == 0) continue;
        if (!read(pg, bitmap) || bitmap[0] != kMapPage) return false;
        if (!bits_in_file(bitmap.data() + 4, page_size_ - 4, k * per_page)) return false;
    }
    return true;
}

std::string JetPages::table(std::uint32_t tdef_page) {
    std::vector<std::uint8_t>& pg = page_;
    // The definition may run over several pages, each naming the next.
    std::uint32_t p = tdef_page;
    std::uint32_t used = 0, free = 0;
    for (std::uint32_t hops = 0; p != 0; ++hops) {
        if (hops >= pages_ || !read(p, pg) || pg[0] != kTablePage) return kJetDamaged;
        if (p == tdef_page) {
            used = le32(pg.data() + (jet3_ ? 35 : 55));
            free = le32(pg.data() + (jet3_ ? 39 : 59));
        }
        p = le32(pg.data() + 4);
    }
    std::vector<std::uint8_t> map;
    if (!row(free, map) || !row(used, map) || !map_pages_exist(map)) return kJetDamaged;
    return "";
}

}  // namespace db::detail
