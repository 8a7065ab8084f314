#include "inventory/LatLon_to_SegKm.h"


#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <unordered_map>
#include <utility>

#include "common/Brellinlib.h"
#include "common/DecimalFormat.h"
#include "inventory/GeoDBmod.h"
#include "platform/huge_pages.h"
#include "platform/ui/ui.h"

std::vector<Closest_HMZ_Candidate_Type> Closest_HMZ_Candidate;

namespace {

constexpr double kMetresPerDegree = 111193;
constexpr double kKmPerDegree = 111.193;
constexpr double kDegToRad = 0.01745329;
// Beyond this many latitude cells (a range of some 50 km) the box is read by
// its latitude band.
constexpr double kMaxLatCells = 200;

// Nearest integer, halves to even.
int32_t RoundL(double v) {
    return static_cast<int32_t>(std::nearbyint(v));
}

int Sign(double v) {
    return static_cast<float>(v) > 0 ? 1 : -1;
}

// A number for the query text, in the C locale whatever the desktop's.
std::string SqlNumber(double v) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    return std::string(buf, res.ptr);
}

// BETWEEN's bound as the query's text gives it to the database.
double SqlBound(const std::string& text) {
    double out = 0;
    std::from_chars(text.data(), text.data() + text.size(), out);
    return out;
}

// CAST(x AS INTEGER) of a real, as the database does it.
int64_t SqlInteger(double r) {
    if (r <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    if (r >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(r);
}

bool FoldedLess(const std::string& x, const std::string& y) {
    const auto fold = [](char ch) {
        const auto u = static_cast<unsigned char>(ch);
        return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
    };
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                        [&](char p, char q) { return fold(p) < fold(q); });
}

// The grid's arrays of millions.
template <typename T>
using Big = huge_pages::Vector<T>;

// Every point of the geometry table with a latitude and longitude, held in
// memory in the order of the database's latitude-cell index: by cell, then
// Longitude, Latitude, Segment (ASCII letters folded), RowNum, Km_Scaled and
// as stored. A search then meets the same points in the same order as its
// query would, without the query.
class PointGrid {
public:
    // Reads the table; false (and nothing kept) when a value is not of the
    // kind the table's columns hold, which the queries are left to report.
    bool Build(long long rows) {
        *this = PointGrid();
        // The points as stored, side by side.
        Big<double> lat, lon, km_key;
        Big<float> km;
        Big<int32_t> row;
        Big<uint32_t> seg;
        if (!ColumnsAsCopied()) return false;
        if (rows < 0) rows = GeoDB_db.open_recordset("SELECT COUNT(*) FROM SegLatLonKm").field(0).as_long();
        const auto room = static_cast<std::size_t>(std::max(0LL, rows));
        for (auto* v : {&lat, &lon, &km_key}) v->reserve(room);
        km.reserve(room);
        row.reserve(room);
        seg.reserve(room);
        std::unordered_map<std::string, uint32_t> seg_of;
        std::string last_name;
        uint32_t last_seg = 0;
        bool faithful = true;
        GeoDB_db.for_each_row(
            "SELECT Latitude, Longitude, Segment, RowNum, Km_Scaled FROM SegLatLonKm", [&](const db::Recordset& rs) {
                if (!faithful) return;
                if (rs.field(0).is_null() || rs.field(1).is_null()) return;  // in no box
                if (rs.field(2).is_null() || rs.field(3).is_null() || rs.field(4).is_null()) {
                    faithful = false;
                    return;
                }
                // A segment's rows mostly follow one another.
                std::string name = rs.field(2).as_text();
                if (seg.empty() || name != last_name) {
                    const auto [it, added] = seg_of.try_emplace(name, static_cast<uint32_t>(names_.size()));
                    if (added) names_.push_back(name);
                    last_seg = it->second;
                    last_name = std::move(name);
                }
                lat.push_back(rs.field(0).as_double());
                lon.push_back(rs.field(1).as_double());
                seg.push_back(last_seg);
                row.push_back(static_cast<int32_t>(rs.field(3).as_long()));
                km.push_back(rs.field(4).as_single());
                km_key.push_back(rs.field(4).as_double());
            });
        if (!faithful || lat.size() > UINT32_MAX) {
            *this = PointGrid();
            return false;
        }
        const std::size_t n = lat.size();

        // Segments ranked as the index orders them; equal when they differ
        // in case alone.
        std::vector<uint32_t> by_name(names_.size());
        for (uint32_t i = 0; i < by_name.size(); ++i) by_name[i] = i;
        std::sort(by_name.begin(), by_name.end(),
                  [&](uint32_t a, uint32_t b) { return FoldedLess(names_[a], names_[b]); });
        std::vector<uint32_t> rank(names_.size());
        for (std::size_t i = 0; i < by_name.size(); ++i)
            rank[by_name[i]] = i > 0 && !FoldedLess(names_[by_name[i - 1]], names_[by_name[i]])
                                   ? rank[by_name[i - 1]]
                                   : static_cast<uint32_t>(i);

        // By cell first (counted out), then each cell's points in order.
        Big<int64_t> cell(n);
        for (std::size_t i = 0; i < n; ++i) cell[i] = SqlInteger(lat[i] * kGeoLatCellsPerDegree);
        // The cells met, in order (counted out by their place among all
        // cells from the least to the greatest when those are few enough).
        std::vector<int64_t> distinct;
        Big<uint32_t> at(n);
        const auto [lo, hi] = std::minmax_element(cell.begin(), cell.end());
        if (n > 0 && static_cast<uint64_t>(*hi) - static_cast<uint64_t>(*lo) < (uint64_t{1} << 22)) {
            std::vector<uint32_t> used(static_cast<std::size_t>(*hi - *lo) + 1, 0);
            for (std::size_t i = 0; i < n; ++i) used[static_cast<std::size_t>(cell[i] - *lo)] = 1;
            for (std::size_t k = 0; k < used.size(); ++k)
                if (used[k]) {
                    used[k] = static_cast<uint32_t>(distinct.size());
                    distinct.push_back(*lo + static_cast<int64_t>(k));
                }
            for (std::size_t i = 0; i < n; ++i) at[i] = used[static_cast<std::size_t>(cell[i] - *lo)];
        } else {
            distinct.assign(cell.begin(), cell.end());
            std::sort(distinct.begin(), distinct.end());
            distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
            for (std::size_t i = 0; i < n; ++i)
                at[i] = static_cast<uint32_t>(std::lower_bound(distinct.begin(), distinct.end(), cell[i]) -
                                              distinct.begin());
        }
        std::vector<uint32_t> first(distinct.size() + 1, 0);
        for (std::size_t i = 0; i < n; ++i) ++first[at[i] + 1];
        for (std::size_t k = 0; k < distinct.size(); ++k) first[k + 1] += first[k];
        Big<uint32_t> order(n);
        {
            std::vector<uint32_t> next(first.begin(), first.end() - 1);
            for (uint32_t i = 0; i < n; ++i) order[next[at[i]]++] = i;  // stored order within a cell
        }
        const auto before = [&](uint32_t a, uint32_t b) {
            if (lon[a] != lon[b]) return lon[a] < lon[b];
            if (lat[a] != lat[b]) return lat[a] < lat[b];
            if (rank[seg[a]] != rank[seg[b]]) return rank[seg[a]] < rank[seg[b]];
            if (row[a] != row[b]) return row[a] < row[b];
            return km_key[a] < km_key[b];
        };
        for (std::size_t k = 0; k < distinct.size(); ++k)
            std::stable_sort(order.begin() + first[k], order.begin() + first[k + 1], before);

        cells_.reserve(distinct.size());
        for (std::size_t k = 0; k < distinct.size(); ++k) cells_.push_back({distinct[k], first[k]});
        lat_.resize(n);
        lon_.resize(n);
        km_.resize(n);
        row_.resize(n);
        seg_.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            const uint32_t k = order[i];
            lat_[i] = lat[k];
            lon_[i] = lon[k];
            km_[i] = km[k];
            row_[i] = row[k];
            seg_[i] = seg[k];
        }
        return true;
    }

    // Calls f(lat, lon, segment, RowNum, Km_Scaled) for each point of cells
    // c0 to c1 within both bands, in the index's order.
    template <class F>
    void Box(int64_t c0, int64_t c1, double latLo, double latHi, double lonLo, double lonHi, F&& f) const {
        auto cell = std::lower_bound(cells_.begin(), cells_.end(), c0,
                                     [](const Cell& c, int64_t v) { return c.cell < v; });
        for (; cell != cells_.end() && cell->cell <= c1; ++cell) {
            const std::size_t end = cell + 1 == cells_.end() ? lon_.size() : (cell + 1)->first;
            std::size_t i = static_cast<std::size_t>(
                std::lower_bound(lon_.begin() + cell->first, lon_.begin() + static_cast<std::ptrdiff_t>(end), lonLo) -
                lon_.begin());
            for (; i < end && lon_[i] <= lonHi; ++i)
                if (lat_[i] >= latLo && lat_[i] <= latHi) f(lat_[i], lon_[i], names_[seg_[i]], row_[i], km_[i]);
        }
    }

    std::size_t Bytes() const {
        std::size_t names = 0;
        for (const std::string& n : names_) names += sizeof(std::string) + (n.size() > 15 ? n.capacity() : 0);
        return cells_.capacity() * sizeof(Cell) + lat_.capacity() * 8 + lon_.capacity() * 8 + km_.capacity() * 4 +
               row_.capacity() * 4 + seg_.capacity() * 4 + names;
    }

private:
    // Whether the columns are those the copy of a Jet file makes of numbers
    // and of a text compared without regard to case: then every value is a
    // number, or the text, or Null.
    static bool ColumnsAsCopied() {
        const auto lower = [](std::string t) {
            for (char& ch : t)
                if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
            return t;
        };
        std::unordered_map<std::string, std::string> type;
        db::Recordset info = GeoDB_db.open_recordset("SELECT name, type FROM pragma_table_info('SegLatLonKm')");
        for (; !info.eof(); info.move_next()) type[lower(info.field(0).as_text())] = lower(info.field(1).as_text());
        const auto number = [&](const char* column) {
            const std::string& t = type[column];
            return t == "double" || t == "float" || t == "real" || t == "integer";
        };
        if (!number("latitude") || !number("longitude") || !number("km_scaled") || type["rownum"] != "integer" ||
            type["segment"] != "text")
            return false;
        db::Recordset table =
            GeoDB_db.open_recordset("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = 'SegLatLonKm'");
        return !table.eof() && lower(table.field(0).as_text()).find("\"segment\" text collate nocase") != std::string::npos;
    }

    struct Cell {
        int64_t cell;
        uint32_t first;  // its points run to the next cell's first
    };
    std::vector<Cell> cells_;
    Big<double> lat_, lon_;
    Big<float> km_;
    Big<int32_t> row_;
    Big<uint32_t> seg_;
    std::vector<std::string> names_;
};

// The grid of the open database. It is built once the box queries since the
// database opened have cost about as much as building it does (some 0.5 us
// a row of the table, 5 s for 10 million), so a run never pays more than
// twice what the better way would have cost it, and a search or a worksheet
// of a few thousand rows never waits for it.
struct NearestGrid {
    uint64_t generation = 0;
    enum class State { Unbuilt, Built, Refused } state = State::Unbuilt;
    double query_seconds = 0;
    long long rows = -1;
    PointGrid grid;
};
constexpr double kSecondsBeforeCount = 0.5;
constexpr double kBuildSecondsPerRow = 0.5e-6;

NearestGrid& Grid() {
    static NearestGrid g;
    if (g.generation != GeoDB_Generation()) {
        g = NearestGrid();
        g.generation = GeoDB_Generation();
    }
    return g;
}

// Only the cached copy of a Jet file has the index whose order the grid
// keeps, and Segment compares there as the grid's order has it.
void BuildGrid(NearestGrid& g) {
    bool built = false;
    try {
        built = GeoDB_db.is_cached_copy() && g.grid.Build(g.rows);
    } catch (const db::Error&) {
        g.grid = PointGrid();
    }
    g.state = built ? NearestGrid::State::Built : NearestGrid::State::Refused;
}

// Whether the box queries so far have cost about what building the grid does.
bool TimeForGrid(NearestGrid& g) {
    if (g.state != NearestGrid::State::Unbuilt || g.query_seconds < kSecondsBeforeCount) return false;
    if (g.rows < 0) {
        try {
            g.rows = GeoDB_db.open_recordset("SELECT COUNT(*) FROM SegLatLonKm").field(0).as_long();
        } catch (const db::Error&) {
            g.state = NearestGrid::State::Refused;
            return false;
        }
    }
    return g.query_seconds >= static_cast<double>(g.rows) * kBuildSecondsPerRow;
}

}  // namespace

bool BuildNearestGrid() {
    NearestGrid& g = Grid();
    if (g.state == NearestGrid::State::Unbuilt) BuildGrid(g);
    return g.state == NearestGrid::State::Built;
}

std::size_t NearestGridBytes() {
    const NearestGrid& g = Grid();
    return g.state == NearestGrid::State::Built ? g.grid.Bytes() : 0;
}

float LatLon_Dist_Km(double latA, double lonA, double latB, double lonB) {
    const double dy = std::fabs(latB - latA) * kKmPerDegree;
    const double dx = std::fabs(lonB - lonA) * std::cos(((latA + latB) / 2) * kDegToRad) * kKmPerDegree;
    return static_cast<float>(std::sqrt(dy * dy + dx * dx));
}

void Perp_Foot_Dist(double latA, double lonA, double latB, double lonB, double lat, double lon, int32_t& perpDist,
                    int32_t& along, int16_t& posFlag) {
    const double hi = std::max({latA, latB, lat});
    const double lo = std::min({latA, latB, lat});
    const double m = std::cos(((hi + lo) / 2) * kDegToRad) * kMetresPerDegree;
    const double xB = (lonB - lonA) * m;
    const double xP = (lon - lonA) * m;
    const double yB = (latB - latA) * kMetresPerDegree;
    const double yP = (lat - latA) * kMetresPerDegree;

    if (xB != 0 && yB != 0) {
        const double s = yB / xB;
        const double sp = -1 / s;
        const double c = yP - sp * xP;
        const double xF = c / (s - sp);
        const double yF = s * xF;
        const int sg = Sign(xB * xF);
        along = RoundL(std::sqrt(xF * xF + yF * yF) * sg);
        if (sg == -1)
            posFlag = -1;
        else
            posFlag = std::fabs(static_cast<float>(xB)) < std::fabs(static_cast<float>(xF)) ? 1 : 0;
        perpDist = RoundL(std::sqrt((yP - yF) * (yP - yF) + (xP - xF) * (xP - xF)));
    } else if (xB != 0) {
        perpDist = RoundL(std::fabs(static_cast<float>(yP)));
        const int sg = Sign(xB * xP);
        along = RoundL(std::fabs(xP) * sg);
        posFlag = sg == -1 ? -1 : (std::fabs(xB) < std::fabs(xP) ? 1 : 0);
    } else {
        perpDist = RoundL(std::fabs(xP));
        const int sg = Sign(yP * yB);
        along = RoundL(std::fabs(yP) * sg);
        posFlag = sg == -1 ? -1 : (std::fabs(yB) < std::fabs(yP) ? 1 : 0);
    }
}

void Closest_HMZ_Locns(double lat, double lon, int32_t rangeM, int16_t& n, std::vector<std::string>& segs,
                       std::vector<float>& kms, std::vector<int32_t>& dists) {
    n = 0;
    const double rangeKm = rangeM / 1000.0;
    const double dLat = rangeKm / kKmPerDegree;
    const double dLon = static_cast<float>(rangeKm) / (std::cos(lat * kDegToRad) * kKmPerDegree);

    const std::string latLo = SqlNumber(lat - dLat), latHi = SqlNumber(lat + dLat);
    const std::string lonLo = SqlNumber(lon - dLon), lonHi = SqlNumber(lon + dLon);
    const std::string latBand = "Latitude BETWEEN " + latLo + " AND " + latHi;
    const std::string lonBand = "Longitude BETWEEN " + lonLo + " AND " + lonHi;
    // The box's latitude cells (a margin far wider than any rounding of the
    // band's ends, so no point is lost) let the index go straight to each
    // cell's longitude band; the bands themselves still decide, so the points
    // and their order are those of the box alone.
    constexpr double kMargin = 1e-9;
    const double c0 = std::trunc((lat - dLat - kMargin) * kGeoLatCellsPerDegree);
    const double c1 = std::trunc((lat + dLat + kMargin) * kGeoLatCellsPerDegree);
    auto& cand = Closest_HMZ_Candidate;
    cand.assign(1, {});
    const auto consider = [&](double pLat, double pLon, const auto& segment, const auto& rowNum, const auto& km) {
        const int32_t d = RoundL(LatLon_Dist_Km(lat, lon, pLat, pLon) * 1000.0f);
        if (d > rangeM) return;
        Closest_HMZ_Candidate_Type c;
        c.Latitude = pLat;
        c.Longitude = pLon;
        c.Segment = segment();
        c.RowNum = rowNum();
        c.KmScaled = km();
        c.Dist = d;
        cand.push_back(std::move(c));
    };
    const auto query = [&](const std::string& sql) {
        GeoDB_db.for_each_row(sql, [&](const db::Recordset& rs) {
            consider(
                rs.field(0).as_double(), rs.field(1).as_double(), [&] { return rs.field(2).as_text(); },
                [&] { return static_cast<int32_t>(rs.field(3).as_long()); }, [&] { return rs.field(4).as_single(); });
        });
    };
    if (c1 - c0 <= kMaxLatCells) {
        NearestGrid& grid = Grid();
        if (grid.state == NearestGrid::State::Built) {
            grid.grid.Box(SqlInteger(c0), SqlInteger(c1), SqlBound(latLo), SqlBound(latHi), SqlBound(lonLo),
                          SqlBound(lonHi),
                          [&](double pLat, double pLon, const std::string& seg, int32_t row, float km) {
                              consider(
                                  pLat, pLon, [&] { return seg; }, [&] { return row; }, [&] { return km; });
                          });
        } else {
            std::string cells;
            for (double c = c0; c <= c1; ++c)
                cells += (cells.empty() ? "" : ", ") + std::to_string(static_cast<long>(c));
            const auto started = std::chrono::steady_clock::now();
            // "+" keeps the latitude band off the index on latitude alone.
            query("SELECT Latitude, Longitude, Segment, RowNum, Km_Scaled FROM SegLatLonKm WHERE " +
                  std::string(kGeoLatCell) + " IN (" + cells + ") AND +" + latBand + " AND " + lonBand);
            grid.query_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            if (TimeForGrid(grid)) BuildGrid(grid);
        }
    } else {
        query("SELECT Latitude, Longitude, Segment, RowNum, Km_Scaled FROM (SELECT * FROM SegLatLonKm WHERE " + latBand +
              ") WHERE " + lonBand);
    }
    // By segment, then by RowNum, as the database orders them: segment codes
    // compare with ASCII letters folded to lower case, byte by byte.
    const auto fold = [](char ch) {
        const auto u = static_cast<unsigned char>(ch);
        return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
    };
    std::stable_sort(cand.begin() + 1, cand.end(),
                     [&](const Closest_HMZ_Candidate_Type& a, const Closest_HMZ_Candidate_Type& b) {
                         const std::string &x = a.Segment, &y = b.Segment;
                         const auto less = [&](char p, char q) { return fold(p) < fold(q); };
                         if (std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), less)) return true;
                         if (std::lexicographical_compare(y.begin(), y.end(), x.begin(), x.end(), less)) return false;
                         return a.RowNum < b.RowNum;
                     });
    const std::size_t last = cand.size() - 1;
    if (last == 0) return;

    // Runs of one segment, each segment once: every segment in range counts.
    std::vector<std::string> runSeg(1);
    std::vector<float> runKm(1);
    std::vector<int32_t> runDist(1);
    for (std::size_t first = 1; first <= last;) {
        std::size_t end = first;
        while (end < last && cand[end + 1].Segment == cand[first].Segment) ++end;

        for (std::size_t t = first; t < end; ++t)
            if (cand[t + 1].RowNum == cand[t].RowNum + 1)
                Perp_Foot_Dist(cand[t].Latitude, cand[t].Longitude, cand[t + 1].Latitude, cand[t + 1].Longitude, lat,
                               lon, cand[t].PerpDist, cand[t].Along, cand[t].PosFlag);

        int32_t best = 9999999;
        std::size_t chosen = 0;
        for (std::size_t t = first; t < end; ++t) {
            const int32_t value = cand[t].PosFlag == 0 ? cand[t].PerpDist : cand[t].Dist;
            if (value < best) {
                best = value;
                chosen = t;
            }
        }
        if (cand[end].Dist < best) {
            best = cand[end].Dist;
            chosen = end;
        }
        if (chosen != 0) {
            const int32_t along = cand[chosen].PosFlag == 0 ? cand[chosen].Along : 0;
            runSeg.push_back(cand[chosen].Segment);
            runKm.push_back(static_cast<float>(cand[chosen].KmScaled + along / 1000.0));
            runDist.push_back(best);
        }
        first = end + 1;
    }

    const auto found = static_cast<int32_t>(runSeg.size() - 1);
    if (found == 0) {
        ui::MsgBox(
            "Warning: no HMZ segments found with two adjacent inflection points in range"
            " with a perpendicular line passing through the provided point.",
            ui::vbExclamation, "Closest_HMZ_Locns");
        return;
    }
    std::vector<int32_t> idx;
    Index_Sort_L(found, runDist, idx);
    // The count is 16-bit: beyond it only the nearest are given.
    n = static_cast<int16_t>(std::min<int32_t>(found, 32767));
    segs.assign(static_cast<std::size_t>(n) + 1, "");
    kms.assign(static_cast<std::size_t>(n) + 1, 0.0f);
    dists.assign(static_cast<std::size_t>(n) + 1, 0);
    for (int32_t i = 1; i <= n; ++i) {
        segs[i] = runSeg[idx[i]];
        kms[i] = runKm[idx[i]];
        dists[i] = runDist[idx[i]];
    }
}

void Closest_HMZ_Locn(double lat, double lon, int32_t rangeM, int16_t& n, std::string& seg, float& km, int32_t& dist) {
    std::vector<std::string> segs;
    std::vector<float> kms;
    std::vector<int32_t> dists;
    Closest_HMZ_Locns(lat, lon, rangeM, n, segs, kms, dists);
    if (n > 0) {
        seg = segs[1];
        km = kms[1];
        dist = dists[1];
    } else {
        n = 0;
        seg.clear();
        km = -1.0f;
        dist = 999;
    }
}

std::string Format_Coord(double x) {
    return decimal::Format(x, "###0.000000");
}

void Test_Perp_Foot_Dist() {
    int32_t perpDist = 0, along = 0;
    int16_t posFlag = 0;
    (void)LatLon_Dist_Km(50.0, -122.0, 50.001, -122.001);
    Perp_Foot_Dist(50.0, -122.0, 50.001, -122.002, 50.0008, -122.0005, perpDist, along, posFlag);
    Perp_Foot_Dist(50.0, -122.0, 50.0, -122.002, 50.0008, -122.0005, perpDist, along, posFlag);
    Perp_Foot_Dist(50.0, -122.0, 50.001, -122.0, 50.0008, -122.0005, perpDist, along, posFlag);
}
