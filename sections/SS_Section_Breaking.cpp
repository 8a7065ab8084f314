// Cutting a stretch of a primary section into short sections and their records.
#include "sections/ShortSections.h"

#include <algorithm>
#include <cmath>

#include "common/HMZ_util_noDB.h"
#include "platform/ui/ui.h"
#include "sections/SS_Helpers.h"
#include "sections/SS_SegmentCache.h"
#include "sections/SS_State.h"

using namespace ShortSections;
using namespace ss_detail;
namespace M = ShortSections;

// ---------------------------------------------------------------------------
// Section breaking

void Break_Section(const std::string& Segment, int16_t hm1, int16_t hm2, int16_t EndType) {
    if (BreakAtHwyClass) {
        Break_by_HwyClass(Segment, hm1, hm2, EndType);
    } else {
        WorkPieces.assign(1, SSPiece());
        WorkPieces.push_back({Segment, hm1, hm2, EndType});
        WorkCount = 1;
    }
    if (BreakAtADR) {
        SubPieces.assign(1, SSPiece());
        SubCount = 0;
        for (int16_t i = 1; i <= WorkCount; ++i) Break_into_ADR_Sections(WorkPieces[static_cast<std::size_t>(i)]);
        if (SubCount > WorkCount) {
            WorkPieces = SubPieces;
            WorkCount = SubCount;
        }
    }
    const std::vector<SSPiece> pieces = WorkPieces;
    for (int16_t i = 1; i <= WorkCount; ++i) {
        const SSPiece& p = pieces[static_cast<std::size_t>(i)];
        Break_by_MaxLen_and_LMtype(p.Segment, p.hm1, p.hm2, p.EndBreakType);
    }
}

void Add_SubSection(const std::string& Segment, int16_t hm1, int16_t hm2, int16_t type) {
    SubPieces.push_back({Segment, hm1, hm2, type});
    ++SubCount;
}

void Break_into_ADR_Sections(const SSPiece& piece) {
    const std::vector<SSAreaRow>& rows = sscache::AreaRows(piece.Segment);
    if (rows.empty()) {
        ui::MsgBox("No segArea records for section " + piece.Segment + " " + std::to_string(piece.hm1) + " " +
                       std::to_string(piece.hm2),
                   ui::vbExclamation, "Break_into_ADR_Sections");
        Add_SubSection(piece.Segment, piece.hm1, piece.hm2, piece.EndBreakType);
        return;
    }
    if (rows.size() == 1) {
        Add_SubSection(piece.Segment, piece.hm1, piece.hm2, piece.EndBreakType);
        return;
    }
    auto level = [](const SSAreaRow& r) {
        if (ADRLevel == "District") return r.District;
        if (ADRLevel == "Region") return r.Region;
        return r.Area;
    };
    int32_t prevLevel = level(rows[0]);
    int32_t prevEnd = static_cast<int32_t>(std::floor(rows[0].End_km * 10.0f));
    int32_t start = piece.hm1;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const int32_t rowStart = prevEnd + 1;
        if (rowStart > piece.hm2) break;
        if (piece.hm1 < rowStart && rowStart < piece.hm2 && level(rows[i]) != prevLevel) {
            Add_SubSection(piece.Segment, ToInt16(start), ToInt16(prevEnd), 6);
            start = prevEnd + 1;
        }
        prevLevel = level(rows[i]);
        prevEnd = static_cast<int32_t>(std::floor(rows[i].End_km * 10.0f));
    }
    // The last piece runs to the end of the stretch: the area rows' last
    // whole hectometre can lie short of it (km 12.36 floors to hm 123, and
    // the stretch ends at hm 124).
    if (start <= piece.hm2) Add_SubSection(piece.Segment, ToInt16(start), piece.hm2, piece.EndBreakType);
}

void Break_by_MaxLen_and_LMtype(const std::string& Segment, int16_t hm1, int16_t hm2, int16_t type) {
    int32_t i = hm1;
    const int32_t end = hm2;
    const int32_t minLen = MinLen_hm, maxLen = std::max<int32_t>(MaxLen_hm, 1);
    while (end - i + 1 > maxLen) {
        const int32_t lo = i + minLen;
        const int32_t hi = std::min(i + maxLen, end - minLen);
        int32_t b = 0;
        int16_t btype = 0;
        bool found = false;
        if (BreakAtLmkTypes && lo < hi) {
            const std::vector<SSLandmarkRow>& rows = sscache::Landmarks(Segment);
            for (int16_t p = 1; p <= BreakLmkTypeCount && !found; ++p) {
                const std::string& t = BreakLmkTypes[static_cast<std::size_t>(p)];
                for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
                    if (it->hm < lo || it->hm > hi || !sscache::SameText(it->LMtype, t)) continue;
                    b = it->hm;
                    btype = 2;
                    found = true;
                    ++BreakTypeCount[static_cast<std::size_t>(p)];
                    break;
                }
            }
        }
        const std::string sid = SecSIDprefix + CurPsecRec.ID + "_" + Two(SecCounter + 1);
        if (!found) {
            if (end < hi + maxLen) {
                b = (i + end) / 2;
                btype = 4;
                ++MiddleSplitCount;
            } else {
                b = hi;
                btype = b == end ? type : 3;
            }
            if (BreakAtLmkTypes) {
                SS_Log(sid + " no break landmark type found.");
                ++NoBreakTypeCount;
            }
        }
        ++SecCounter;
        Add_Section_Record(sid, Segment, ToInt16(i), ToInt16(b), btype);
        i = b + 1;
        if (i > end) return;
    }
    const bool whole = SecCounter == 0 && i == CurPsecRec.hm1 && end == CurPsecRec.hm2;
    ++SecCounter;
    const std::string sid = whole ? SecSIDprefix + CurPsecRec.ID : SecSIDprefix + CurPsecRec.ID + "_" + Two(SecCounter);
    if (end >= i) Add_Section_Record(sid, Segment, ToInt16(i), ToInt16(end), type);
}

void Get_Landmark_At_Hm(const std::string& Segment, int16_t hm, std::string& LMtype, std::string& Desc) {
    LMtype.clear();
    Desc.clear();
    for (const SSLandmarkRow& r : sscache::Landmarks(Segment)) {
        if (r.hm != hm) continue;
        LMtype = r.LMtype;
        Desc = Landmark_Description(r.Description, r.LMtype, r.Side, r.Point, r.Text);
        return;
    }
}

void Add_Section_Record(const std::string& SID, const std::string& Segment, int16_t hm1, int16_t hm2,
                        int16_t EndBreakType) {
    SSRec& r = New_Record(SecNIDoffset, SID, Segment);
    r.hm1 = hm1;
    r.hm2 = hm2;
    r.Length = ToInt16(static_cast<int32_t>(hm2) - hm1 + 1);
    r.EndBreakType = EndBreakType;
    Get_Landmark_At_Hm(Segment, hm1, r.LMtype1, r.Desc1);
    if (r.Desc1.empty() && hm1 == CurPsecRec.hm1) r.Desc1 = CurPsecRec.Desc1;
    Get_Landmark_At_Hm(Segment, hm2, r.LMtype2, r.Desc2);
    if (r.Desc2.empty() && hm2 == CurPsecRec.hm2) r.Desc2 = CurPsecRec.Desc2;
}
