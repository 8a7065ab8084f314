#include "inventory/LatLon_to_SegKm.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/Brellinlib.h"
#include "common/DecimalFormat.h"
#include "inventory/GeoDBmod.h"
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

}  // namespace

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

    const std::string latBand = "Latitude BETWEEN " + SqlNumber(lat - dLat) + " AND " + SqlNumber(lat + dLat);
    const std::string lonBand = "Longitude BETWEEN " + SqlNumber(lon - dLon) + " AND " + SqlNumber(lon + dLon);
    // The box's latitude cells (a margin far wider than any rounding of the
    // band's ends, so no point is lost) let the index go straight to each
    // cell's longitude band; the bands themselves still decide, so the points
    // and their order are those of the box alone.
    constexpr double kMargin = 1e-9;
    const double c0 = std::trunc((lat - dLat - kMargin) * kGeoLatCellsPerDegree);
    const double c1 = std::trunc((lat + dLat + kMargin) * kGeoLatCellsPerDegree);
    std::string sql;
    if (c1 - c0 <= kMaxLatCells) {
        std::string cells;
        for (double c = c0; c <= c1; ++c) cells += (cells.empty() ? "" : ", ") + std::to_string(static_cast<long>(c));
        // "+" keeps the latitude band off the index on latitude alone.
        sql = "SELECT Latitude, Longitude, Segment, RowNum, Km_Scaled FROM SegLatLonKm WHERE " +
              std::string(kGeoLatCell) + " IN (" + cells + ") AND +" + latBand + " AND " + lonBand;
    } else {
        sql = "SELECT Latitude, Longitude, Segment, RowNum, Km_Scaled FROM (SELECT * FROM SegLatLonKm WHERE " +
              latBand + ") WHERE " + lonBand;
    }
    auto& cand = Closest_HMZ_Candidate;
    cand.assign(1, {});
    GeoDB_db.for_each_row(sql, [&](const db::Recordset& rs) {
        Closest_HMZ_Candidate_Type c;
        c.Latitude = rs.field(0).as_double();
        c.Longitude = rs.field(1).as_double();
        const int32_t d = RoundL(LatLon_Dist_Km(lat, lon, c.Latitude, c.Longitude) * 1000.0f);
        if (d > rangeM) return;
        c.Segment = rs.field(2).as_text();
        c.RowNum = static_cast<int32_t>(rs.field(3).as_long());
        c.KmScaled = rs.field(4).as_single();
        c.Dist = d;
        cand.push_back(std::move(c));
    });
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
