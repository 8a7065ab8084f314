// The intersection list of one primary section and its output records.
#include "sections/ShortSections.h"

#include <algorithm>
#include <cmath>

#include "common/Brellinlib.h"
#include "inventory/Intersections.h"
#include "platform/ui/ui.h"
#include "sections/SS_Helpers.h"
#include "sections/SS_SegmentCache.h"
#include "sections/SS_State.h"

using namespace ShortSections;
using namespace ss_detail;
namespace M = ShortSections;

// ---------------------------------------------------------------------------
// Intersection list

void Split_At_Midpoint(int32_t a, int32_t b, int32_t& end1, int32_t& start2) {
    const float m = static_cast<float>((static_cast<double>(a) + b) / 2.0);
    float f = std::floor(m);
    if (f == m) f -= 1;
    end1 = static_cast<int32_t>(f);
    start2 = end1 + 1;
}

namespace {

bool PreLegs() {
    return HMZversion.substr(0, 6) < "201807";
}

bool IntersectionRowWanted(const SSLandmarkRow& r, int32_t lo, int32_t hi) {
    if (r.hm < lo || r.hm > hi) return false;
    if (!sscache::TypeIn(r.LMtype, IntLmkTypes, IntLmkTypeCount)) return false;
    if (PreLegs()) {
        // Description <> 'RD' AND NOT LIKE 'GRAVEL ACCESS*': a Null passes neither.
        if (!r.Description) return false;
        if (sscache::SameText(*r.Description, "RD")) return false;
        const std::string prefix = "GRAVEL ACCESS";
        if (r.Description->size() >= prefix.size() && sscache::SameText(r.Description->substr(0, prefix.size()), prefix))
            return false;
    }
    return true;
}

bool SideLR(const std::string& side) {
    return side == "L" || side == "R";
}

}  // namespace

void Make_Intersection_List(const std::string& Segment, int16_t hm1, int16_t hm2) {
    IntList.assign(1, IntersectionEntry());
    IntCount = 0;
    if (hm1 > hm2) {
        const std::string msg = "Warning: Section seg " + Segment + " hm1 " + std::to_string(hm1) + " > hm2 " +
                                std::to_string(hm2);
        ui::MsgBox(msg, ui::vbExclamation, "Make_Intersection_List");
        SS_Log(msg);
        return;
    }
    const int32_t lo = static_cast<int32_t>(hm1) - Radius;
    const int32_t hi = static_cast<int32_t>(hm2) + Radius;
    std::string sql = "SELECT L.ID As LmkID, LMnum, Km, Cint((Km * 10) + 0.001) AS hm, LMtype, Side, L.Description";
    if (PreLegs())
        sql += " FROM Landmark AS L";
    else
        sql +=
            ", Intersection_ID, Legs FROM (Landmark AS L LEFT JOIN [Landmark-Intersection] AS X ON L.ID = "
            "X.Landmark_ID) LEFT JOIN Intersection AS I ON X.Intersection_ID = I.ID";
    sql += " WHERE Segment = " + SQL_Str(Segment) + " AND Cint((Km * 10) + 0.001) BETWEEN " + std::to_string(lo) +
           " AND " + std::to_string(hi) + " AND LMtype IN " + IntLmkTypeSQL;
    if (PreLegs()) sql += " AND Description <> 'RD' AND Description NOT LIKE('GRAVEL ACCESS*')";
    sql += " ORDER BY Km";
    SS_Log(sql);

    std::vector<const SSLandmarkRow*> rows;
    for (const SSLandmarkRow& r : sscache::Landmarks(Segment))
        if (IntersectionRowWanted(r, lo, hi)) rows.push_back(&r);
    if (rows.empty()) {
        SS_Log("No intersections found in section " + Segment + " hm " + std::to_string(hm1) + " to " +
               std::to_string(hm2));
        return;
    }

    std::vector<IntersectionEntry>& L = IntList;
    int32_t prevHm = std::numeric_limits<int32_t>::min();
    for (const SSLandmarkRow* r : rows) {
        if (!L.empty() && IntCount > 0 && r->hm == prevHm) {
            IntersectionEntry& e = L[static_cast<std::size_t>(IntCount)];
            e.LMtype2 = r->LMtype;
            e.Desc2 = r->Description.value_or("");
            if (e.IntersectionID < 0) e.Legs = static_cast<int16_t>(e.Legs + (SideLR(r->Side) ? 1 : 2));
            continue;
        }
        prevHm = r->hm;
        IntersectionEntry e;
        e.LmkID = r->ID;
        if (PreLegs()) {
            int32_t id = 0;
            int16_t legs = 0;
            Find_Landmark_Intersection(r->ID, id, legs);
            e.IntersectionID = id;
            e.Legs = legs;
        } else {
            e.IntersectionID = r->Intersection_ID.value_or(0);
            e.Legs = static_cast<int16_t>(r->Legs.value_or(0));
        }
        if (e.IntersectionID == 0) {
            e.IntersectionID = -r->ID;
            e.Legs = static_cast<int16_t>(2 + (SideLR(r->Side) ? 1 : 2));
        }
        e.Segment = Segment;
        e.hm = ToInt16(r->hm);
        e.hmFrom = r->hm - Radius;
        e.hmTo = r->hm + Radius;
        e.Desc1 = r->Description.value_or("");
        e.LMtype1 = r->LMtype;
        e.LMtype2 = "";
        L.push_back(std::move(e));
        ++IntCount;
    }

    // Neighbours.
    for (int16_t i = 1; i < IntCount; ++i) {
        IntersectionEntry& a = L[static_cast<std::size_t>(i)];
        IntersectionEntry& b = L[static_cast<std::size_t>(i) + 1];
        const int32_t gap = b.hmFrom - a.hmTo;
        if (gap > 0) {
            if (gap < 2 || gap > MinInterIsecLen) {
                a.EndCode = -1;
            } else {
                Split_At_Midpoint(a.hmTo, b.hmFrom, a.hmTo, b.hmFrom);
                a.EndCode = -3;
            }
        } else {
            if (b.hm == a.hm + 1) {
                a.hmTo = a.hm;
                b.hmFrom = b.hm;
            } else {
                Split_At_Midpoint(a.hm, b.hm, a.hmTo, b.hmFrom);
            }
            a.EndCode = -2;
        }
    }

    // Areas wholly outside the primary section.
    int16_t first = 1;
    while (first <= IntCount && L[static_cast<std::size_t>(first)].hmTo < hm1) ++first;
    int16_t last = IntCount;
    while (last >= first && L[static_cast<std::size_t>(last)].hmFrom > hm2) --last;
    std::vector<IntersectionEntry> kept(1);
    for (int16_t i = first; i <= last; ++i) kept.push_back(L[static_cast<std::size_t>(i)]);
    L = std::move(kept);
    IntCount = static_cast<int16_t>(L.size() - 1);
    if (IntCount == 0) {
        SS_Log("No intersections found in section " + Segment + " hm " + std::to_string(hm1) + " to " +
               std::to_string(hm2));
        return;
    }

    IntersectionEntry& f = L[1];
    if (f.hmFrom <= static_cast<int32_t>(hm1) + MinInterIsecLen) f.hmFrom = hm1;
    IntersectionEntry& z = L[static_cast<std::size_t>(IntCount)];
    if (z.hmTo > hm2) {
        z.hmTo = hm2;
        z.EndCode = -4;
    } else if (z.hmTo >= static_cast<int32_t>(hm2) - MinInterIsecLen) {
        z.hmTo = hm2;
        z.EndCode = -5;
    }

    for (int16_t i = 1; i <= IntCount; ++i) {
        IntersectionEntry& e = L[static_cast<std::size_t>(i)];
        if (i == 1 && e.hmFrom == hm1 && e.hm < hm1) {
            e.IntPos = -1;
        } else if (i == IntCount && e.hmTo == hm2 && e.hm > hm2) {
            e.IntPos = 1;
        } else if (e.hm < e.hmFrom || e.hm > e.hmTo) {
            SS_Log("*** Seg " + Segment + " " + std::to_string(e.hm) + " outside range " + std::to_string(e.hmFrom) +
                   " to " + std::to_string(e.hmTo));
            Abort = true;
            return;
        } else {
            e.IntPos = 0;
        }
    }

    // Distinct landmark locations inside each area.
    std::size_t k = 0;
    int32_t prevCountedHm = -1;
    int64_t prevDam = -1;
    for (int16_t i = 1; i <= IntCount && k < rows.size(); ++i) {
        IntersectionEntry& e = L[static_cast<std::size_t>(i)];
        while (k < rows.size()) {
            const SSLandmarkRow& r = *rows[k];
            if (r.hm < e.hmFrom) {
                ++k;
                continue;
            }
            if (r.hm > e.hmTo) break;
            if (r.hm != prevCountedHm) ++e.NintLoc1dp;
            if (r.dam != prevDam) ++e.NintLoc2dp;
            prevCountedHm = r.hm;
            prevDam = r.dam;
            ++k;
        }
    }

    SS_Log("--- Intersections in " + Segment + " " + std::to_string(hm1) + " to " + std::to_string(hm2));
    for (int16_t i = 1; i <= IntCount; ++i) {
        const IntersectionEntry& e = L[static_cast<std::size_t>(i)];
        SS_Log(std::to_string(i) + " " + e.LMtype1 + " " + e.LMtype2 + " " + std::to_string(e.hm) + " " +
               std::to_string(e.hmFrom) + " " + std::to_string(e.hmTo) + " " + std::to_string(e.NintLoc1dp) + " " +
               std::to_string(e.NintLoc2dp) + " " + std::to_string(e.EndCode) + " " +
               std::to_string(e.IntersectionID) + " " + std::to_string(e.IntPos));
    }
    SS_Log("---");
    IntTotal += IntCount;
}

void Add_Intersection_Record(int16_t n, const std::string& SID) {
    const IntersectionEntry& e = IntList[static_cast<std::size_t>(n)];
    SSRec& r = New_Record(IntNIDoffset, SID, e.Segment);
    r.KmInt = e.hm;
    r.IntPos = e.IntPos;
    r.Intersection_ID = e.IntersectionID;
    r.Legs = e.Legs;
    r.NintLoc1dp = e.NintLoc1dp;
    r.NintLoc2dp = e.NintLoc2dp;
    r.hm1 = ToInt16(e.hmFrom);
    r.hm2 = ToInt16(e.hmTo);
    r.Length = ToInt16(e.hmTo - e.hmFrom + 1);
    r.LMtype1 = e.LMtype1;
    r.Desc1 = e.Desc1;
    r.LMtype2 = e.LMtype2;
    r.Desc2 = e.Desc2;
    r.EndBreakType = e.EndCode;
}
