#include "inventory/GeoDBmod.h"


#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/FileNumbers.h"
#include "common/TessawinMod.h"
#include "platform/huge_pages.h"
#include "platform/ui/ui.h"

db::Database& GeoDB_db = *new db::Database;
std::string GeoDB_DataSource;
std::string GeoDB_Folder;
std::string GeoDB_ShortName;
std::string GeoDB_FileName;
std::string GeoDB_HMZversion;
int16_t GeoDB_Failed = 0;
int16_t GeoDB_LogFileNo = 0;

namespace {

// The points of a segment in the order the walk reads them (by km, then by
// RowNum). The database is read-only and stays open, so a segment's points
// are read once and kept until the database is closed.
struct GeoPoint {
    float km;
    double lat, lon;
};

// A segment's points where they are kept.
struct Span {
    const GeoPoint* first = nullptr;
    std::size_t n = 0;
    const GeoPoint* begin() const { return first; }
    const GeoPoint* end() const { return first + n; }
    bool empty() const { return n == 0; }
    const GeoPoint& back() const { return first[n - 1]; }
};

// Points kept one segment after another in large blocks of huge pages:
// millions of points in a small allocation per segment cost a page fault
// every few segments. A segment's points stay put until the blocks go.
class PointArena {
public:
    Span add(const std::vector<GeoPoint>& pts) {
        if (pts.empty()) return {};
        if (blocks_.empty() || blocks_.back().used + pts.size() > blocks_.back().size)
            blocks_.push_back(Block(std::max(kBlockPoints, pts.size())));
        Block& b = blocks_.back();
        GeoPoint* at = b.data.get() + b.used;
        std::copy(pts.begin(), pts.end(), at);
        b.used += pts.size();
        return {at, pts.size()};
    }

private:
    static constexpr std::size_t kBlockPoints = std::size_t{1} << 20;
    struct Free {
        void operator()(GeoPoint* p) const { std::free(p); }
    };
    struct Block {
        explicit Block(std::size_t points) : size(points) {
            data.reset(static_cast<GeoPoint*>(huge_pages::allocate(points * sizeof(GeoPoint))));
        }
        std::unique_ptr<GeoPoint, Free> data;
        std::size_t size, used = 0;
    };
    std::vector<Block> blocks_;
};

struct SegmentPoints {
    std::unordered_map<std::string, Span> by_segment[2];  // [useScaled]
    PointArena arena;
    std::size_t points = 0;
    // Points read one segment at a time, and the table's rows (-1: not
    // counted yet), for the choice of reading the whole table at once.
    std::size_t points_read_singly[2] = {0, 0};
    long long table_rows = -1;
    bool whole_table[2] = {false, false};

    // The table's row count belongs to the open database and is kept.
    void clear() {
        const long long rows = table_rows;
        *this = SegmentPoints();
        table_rows = rows;
    }
};

SegmentPoints& cache() {
    static SegmentPoints c;
    return c;
}

// Moves on whenever the open database may change.
uint64_t g_generation = 0;

// Enough for the whole geometry of the province (about 10 million points).
constexpr std::size_t kMaxCachedPoints = 16'000'000;
// Once a run has read this share of the table a segment at a time, the rest
// is read in one pass. A pass costs about as much as reading a third of the
// table segment by segment, so a run never pays much more than three times
// what the better of the two ways would have cost it.
constexpr std::size_t kWholeTableShare = 6;
// Fewer points than this are never worth counting the table for.
constexpr std::size_t kFewPoints = 200'000;

std::string UpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string KmField(bool useScaled) {
    return useScaled ? "Km_Scaled" : "Km_Calc";
}

struct RowPoint {
    double km, rowNum;  // the query's sort keys
    GeoPoint p;
};

// Every segment's points in one pass over the table, in the order the
// segment query gives them. A table keeps a segment's rows together; a
// segment whose rows lie apart, or with a value missing or unreadable, is
// left to the segment query, which reports it as before.
void ReadWholeTable(bool useScaled) {
    SegmentPoints& c = cache();
    auto& map = c.by_segment[useScaled ? 1 : 0];
    // The segments met in this pass, each with whether it was read before it.
    std::unordered_map<std::string, bool> seen;
    std::string key;
    std::vector<RowPoint> rows;
    std::vector<GeoPoint> pts;
    bool started = false, known = false, apart = false, bad = false;
    auto finish = [&] {
        if (!started || known) {
        } else if (apart) {
            // Rows apart from the segment's others: the segment query reads it.
            if (auto it = map.find(key); it != map.end()) {
                c.points -= it->second.n;
                map.erase(it);
            }
        } else if (!bad) {
            const auto before = [](const RowPoint& a, const RowPoint& b) {
                return a.km < b.km || (a.km == b.km && a.rowNum < b.rowNum);
            };
            if (!std::is_sorted(rows.begin(), rows.end(), before)) std::stable_sort(rows.begin(), rows.end(), before);
            pts.clear();
            for (const RowPoint& r : rows) pts.push_back(r.p);
            c.points += pts.size();
            map.emplace(key, c.arena.add(pts));
        }
        rows.clear();
        bad = false;
    };
    GeoDB_db.for_each_row(
        "SELECT Segment, RowNum, " + KmField(useScaled) + ", Latitude, Longitude FROM SegLatLonKm",
        [&](const db::Recordset& rs) {
            if (rs.field(0).is_null()) return;
            std::string k = UpperAscii(rs.field(0).as_text());
            if (!started || k != key) {
                finish();
                started = true;
                key = std::move(k);
                const auto [it, first] = seen.try_emplace(key, map.count(key) > 0);
                known = it->second;
                apart = !first;
            }
            if (known || apart || bad) return;
            if (rs.field(1).is_null() || rs.field(2).is_null()) {
                bad = true;
                return;
            }
            try {
                rows.push_back({rs.field(2).as_double(), rs.field(1).as_double(),
                                {rs.field(2).as_single(), rs.field(3).as_double(), rs.field(4).as_double()}});
            } catch (const db::Error&) {
                bad = true;
            }
        });
    finish();
    c.whole_table[useScaled ? 1 : 0] = true;
}

// Whether the run has read enough segments one by one that reading the rest
// in one pass is quicker, and the whole table fits in the cache.
bool TimeForWholeTable(bool useScaled) {
    SegmentPoints& c = cache();
    const int u = useScaled ? 1 : 0;
    if (c.whole_table[u] || c.points_read_singly[u] < kFewPoints) return false;
    if (c.table_rows < 0) {
        db::Recordset n = GeoDB_db.open_recordset("SELECT COUNT(*) FROM SegLatLonKm");
        c.table_rows = n.field(0).as_long();
    }
    if (static_cast<std::size_t>(c.table_rows) + c.points > kMaxCachedPoints) return false;
    return c.points_read_singly[u] >= static_cast<std::size_t>(c.table_rows) / kWholeTableShare;
}

Span PointsOf(bool useScaled, const std::string& seg) {
    auto& map = cache().by_segment[useScaled ? 1 : 0];
    // Segment codes compare without regard to case in the database.
    const std::string key = UpperAscii(seg);
    if (auto it = map.find(key); it != map.end()) return it->second;
    if (TimeForWholeTable(useScaled)) {
        ReadWholeTable(useScaled);
        if (auto it = map.find(key); it != map.end()) return it->second;
    }

    const std::string kmField = KmField(useScaled);
    db::Recordset rs = GeoDB_db.open_recordset(
        "SELECT RowNum, " + kmField + ", Latitude, Longitude FROM SegLatLonKm WHERE Segment = " + SQL_Str(seg) +
        " ORDER BY " + kmField + ", RowNum");
    std::vector<GeoPoint> pts;
    pts.reserve(static_cast<std::size_t>(rs.record_count()));
    for (; !rs.eof(); rs.move_next())
        pts.push_back({rs.field(1).as_single(), rs.field(2).as_double(), rs.field(3).as_double()});

    if (cache().points + pts.size() > kMaxCachedPoints) cache().clear();
    cache().points += pts.size();
    if (!cache().whole_table[useScaled ? 1 : 0]) cache().points_read_singly[useScaled ? 1 : 0] += pts.size();
    return map.emplace(key, cache().arena.add(pts)).first->second;
}

void Log(const std::string& text) {
    if (GeoDB_LogFileNo > 0) Print_FileNo(GeoDB_LogFileNo, text);
}

bool SixDigits(const std::string& v) {
    if (v.size() != 6) return false;
    for (char c : v)
        if (c < '0' || c > '9') return false;
    return true;
}

// Steps 2 to 4 of the search: the folder and the name; false when the search
// ends without a file.
bool ChooseFile(const std::string& datasource) {
    const std::string pattern = datasource + "_HMZ*_SegGeometry.mdb";
    GeoDB_Folder = AppFolder;
    if (Files_Matching(GeoDB_Folder + pattern).empty()) {
        GeoDB_Folder = Data_Folder(DataKind::Geometry);
        if (Files_Matching(GeoDB_Folder + pattern).empty()) {
            auto answer = ui::MsgBox("Cannot find a geometry database file matching: " + GeoDB_Folder + pattern,
                                     ui::vbOKCancel | ui::vbExclamation, "Error");
            if (answer == ui::vbCancel) {
                GeoDB_Failed = -1;
                GeoDB_Folder.clear();
                return false;
            }
            GeoDB_Folder.clear();
        }
    }

    if (!GeoDB_Folder.empty()) {
        std::string best, bestName;
        for (const auto& name : Files_Matching(GeoDB_Folder + pattern)) {
            std::string v = GeoDB_VersionOfFile(name);
            if (!v.empty() && v > best) {
                best = v;
                bestName = name;
            }
        }
        if (best.empty()) {
            ui::MsgBox("Error: could not find GeoDB file for " + GeoDB_Folder + pattern, ui::vbExclamation, "GeoDB");
            GeoDB_Failed = -1;
            return false;
        }
        GeoDB_HMZversion = best;
        // The name as it is on disk: one rebuilt from the key and the version
        // would miss a file whose case differs.
        GeoDB_ShortName = bestName;
        GeoDB_FileName = GeoDB_Folder + GeoDB_ShortName;
        if (GeoDB_LogFileNo <= 0) {
            GeoDB_FileName = ui::InputBox("Open HMZ Segment geometry database: ", "GeoDB_FindFile", GeoDB_FileName);
            if (GeoDB_FileName.empty()) return false;
        }
        return true;
    }

    GeoDB_FileName = ui::InputBox("Enter fule file name of HMZ Segment geometry database: ", "GeoDB_FindFile", "");
    if (GeoDB_FileName.empty()) return false;
    GeoDB_ShortName = FileNamePart(GeoDB_FileName);
    GeoDB_HMZversion = ui::InputBox("Enter HMZ version of that geometry: ", "GeoDB_FindFile", "");
    if (!SixDigits(GeoDB_HMZversion)) {
        // Versions compare as text: anything but YYYYMM would mismatch every
        // location's version.
        if (!GeoDB_HMZversion.empty())
            ui::MsgBox("Invalid HMZ version: " + GeoDB_HMZversion + "\r\nA version is six digits, YYYYMM.",
                       ui::vbExclamation, "GeoDB_FindFile");
        GeoDB_HMZversion.clear();
        GeoDB_ShortName.clear();
        GeoDB_FileName.clear();
        return false;
    }
    return true;
}

}  // namespace

void GeoDB_Init(const std::string& datasource, int16_t logFileNo) {
    GeoDB_Failed = 0;
    GeoDB_LogFileNo = logFileNo;
    if (GeoDB_db.is_open()) {
        if (datasource == GeoDB_DataSource) return;
        GeoDB_Close();
    }
    GeoDB_FindFile(datasource);
    if (GeoDB_FileName.empty())
        GeoDB_Failed = -1;
    else
        GeoDB_Open(true);
}

void GeoDB_FindFile(const std::string& datasource) {
    GeoDB_DataSource = datasource;
    for (;;) {
        GeoDB_ShortName.clear();
        GeoDB_FileName.clear();
        GeoDB_Folder.clear();
        GeoDB_HMZversion.clear();
        if (!ChooseFile(datasource)) {
            GeoDB_FileName.clear();
            return;
        }
        if (FileExists(GeoDB_FileName)) return;
        auto answer =
            ui::MsgBox("File does not exist:\r\n\r\n" + GeoDB_FileName, ui::vbOKCancel | ui::vbExclamation, "Error");
        GeoDB_ShortName.clear();
        GeoDB_FileName.clear();
        GeoDB_Folder.clear();
        if (answer == ui::vbCancel) return;
    }
}

void GeoDB_Open(bool closeFirst) {
    if (GeoDB_db.is_open()) {
        if (!closeFirst) return;
        GeoDB_Close();
    }
    Log("Opening database: " + GeoDB_FileName);
    try {
        // The lookups read a segment's points and the nearest-location search
        // a box of latitudes; the cached copy of a Jet file is made with these.
        // The nearest-location search reads all it needs from the last one.
        GeoDB_db = db::Database::open(
            GeoDB_FileName, db::OpenMode::Exclusive,
            {{"SegLatLonKm", {"Segment", "RowNum"}, ""},
             {"SegLatLonKm", {"Latitude", "Longitude"}, ""},
             {"SegLatLonKm",
              {kGeoLatCell, "Longitude", "Latitude", "Segment", "RowNum", "Km_Scaled"},
              "ix_seglatlonkm_latcell_point"}});
    } catch (const db::Error& e) {
        std::string text =
            "Error " + std::to_string(e.number()) + " opening " + GeoDB_FileName + "\r\n" + e.description();
        ui::MsgBox(text, ui::vbExclamation, "GeoDB");
        GeoDB_Failed = -1;
        Log(text);
        return;
    }
    ++g_generation;
    Log(GeoDB_FileName + " opened.");

    // One row tells whether the table is empty; a missing table is as good
    // as an empty one.
    bool empty = true;
    try {
        empty = GeoDB_db.open_recordset("SELECT 1 FROM SegLatLonKm LIMIT 1").eof();
    } catch (const db::Error&) {
    }
    if (empty) {
        std::string text = "Error: Table SegLatLonKm is empty in database " + GeoDB_FileName;
        ui::MsgBox(text, ui::vbExclamation, "GeoDB");
        Log(text);
        GeoDB_Failed = -1;
        GeoDB_Close();
        return;
    }
}

uint64_t GeoDB_Generation() {
    return g_generation;
}

void GeoDB_Close() {
    ++g_generation;
    if (GeoDB_db.is_open()) GeoDB_db.close();
    GeoDB_db = db::Database();
    cache() = SegmentPoints();
}

std::string GeoDB_VersionOfFile(const std::string& fileName) {
    const std::string upper = UpperAscii(fileName);
    const auto at = upper.rfind("_HMZ");
    if (at == std::string::npos) return "";
    std::string v = fileName.substr(at + 4, 6);
    return SixDigits(v) ? v : "";
}

void GeoDB_LookupLatLon(bool useScaled, const std::string& seg, float km, double& lat, double& lon, int16_t& status) {
    lat = 0;
    lon = 0;
    if (!GeoDB_db.is_open()) {
        ui::MsgBox("GeoDB is not open.  Call GeoDB_Init(datasource) first.", ui::vbExclamation, "GeoDB_LookupLatLon");
        status = -3;
        return;
    }
    // A negative km lies before the segment's first point: no point (and no
    // extrapolation along the first two).
    if (!(km >= 0)) {
        status = -1;
        return;
    }
    const Span pts = PointsOf(useScaled, seg);
    if (pts.empty()) {
        status = -1;
        return;
    }
    if (km == 0) {
        for (const GeoPoint& p : pts) {
            if (p.km == 0) {
                lat = p.lat;
                lon = p.lon;
                status = 0;
                return;
            }
        }
        status = -1;
        return;
    }
    // The first point is never compared with km; the walk starts at the
    // second. The points are in km order, so the first at or past km is found
    // by halving.
    const auto at = std::lower_bound(pts.begin() + 1, pts.end(), km,
                                     [](const GeoPoint& p, float k) { return p.km < k; });
    if (at != pts.end()) {
        const GeoPoint& prev = *(at - 1);
        const GeoPoint& p = *at;
        if (p.km == prev.km) {
            // Two points at one km: the later one is the answer.
            lat = p.lat;
            lon = p.lon;
        } else {
            const float f = (km - prev.km) / (p.km - prev.km);
            lat = prev.lat + (p.lat - prev.lat) * f;
            lon = prev.lon + (p.lon - prev.lon) * f;
        }
        status = 1;
        return;
    }
    const float d = km - pts.back().km;
    if (d < 0.1f) {
        lat = pts.back().lat;
        lon = pts.back().lon;
        status = 2;
    } else {
        status = -2;
    }
}
