// The steps of the short-sections run around the breaking: the arrays, the
// segment list, the highway-class breaks, positions, attributes and volumes,
// the translated copy, the purge and the output file.
#include "sections/ShortSections.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/Brellinlib.h"
#include "common/DecimalFormat.h"
#include "common/FileNumbers.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hemzshifts8.h"
#include "inventory/Hwy_Seg_Table_mod.h"
#include "inventory/Locn_LatLon.h"
#include "platform/db/db.h"
#include "platform/ui/ui.h"
#include "sections/SS_Helpers.h"
#include "sections/SS_Psec_Sources.h"
#include "sections/SS_SegmentCache.h"
#include "sections/SS_State.h"
#include "sections/vol_Database.h"

using namespace ShortSections;
using namespace ss_detail;
namespace M = ShortSections;

namespace {

std::string CsvText(const std::string& s) {
    if (s.find_first_of(",\"") == std::string::npos) return s;
    return "\"" + Replace_All(s, "\"", "\"\"") + "\"";
}

std::string QuotedDesc(const std::string& s) {
    if (s.empty()) return "";
    return "\"" + Replace_All(s, "\"", "\"\"") + "\"";
}

// Shortest general text of a double (up to 15 significant digits).
std::string GeneralText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

float HmKm(int32_t hm) {
    return static_cast<float>(hm / 10.0);
}

// The segment's length in the run's version: from the highway segment table
// the loaders read (no query), else from the all-versions table.
float Segment_Length(const std::string& seg) {
    const int32_t i = Hwy_Seg_Count > 0 ? HwySet_Index(seg) : 0;
    if (i > 0) return Hwy_Seg_Table[static_cast<std::size_t>(i)].Length;
    return SAV_Length(seg, ShortSections::HMZversion);
}

// The km of the middle of a record, kept on the segment.
float MidKm(const SSRec& r, float segLength) {
    float km = static_cast<float>((r.hm1 + r.hm2) / 20.0);
    if (segLength > 0 && km >= segLength) km = std::max(0.0f, segLength - 0.01f);
    return km;
}

}  // namespace

// ---------------------------------------------------------------------------
// Arrays and the segment list

void Reset_SS_Arrays() {
    M::SS.assign(1, SSRec());
    SSCount = 0;
    SSTrans.assign(1, SSRec());
    SSTransCount = 0;
    IntList.assign(1, IntersectionEntry());
    IntCount = 0;
    IntTotal = 0;
    WorkPieces.assign(1, SSPiece());
    WorkCount = 0;
    SubPieces.assign(1, SSPiece());
    SubCount = 0;
    Psec.assign(1, PsecRec());
    PsecCount = 0;
    SegList.assign(1, "");
    SegListCount = 0;
    SegListSQL.clear();
    BreakTypeCount.assign(static_cast<std::size_t>(kMaxTypes) + 1, 0);
    MiddleSplitCount = 0;
    NoBreakTypeCount = 0;
    CurPsec = 0;
    CurPsecRec = PsecRec();
    SecCounter = 0;
    AttrDone = 0;
    sscache::Clear();
}

void Add_Highway_Segments(const std::string& highway, std::vector<std::string>& list, int16_t& count) {
    std::string h = Trim(highway);
    int number = 0;
    std::string letter;
    SplitHwy4(h, number, letter);
    const bool valid = !h.empty() && h[0] >= '0' && h[0] <= '9' && letter.size() <= 1 &&
                       (letter.empty() || std::isalpha(static_cast<unsigned char>(letter[0])));
    if (!valid) {
        ui::MsgBox("Invalid highway \"" + h + "\" in the segment list." + CRLF +
                       "Enter a highway as H followed by its number and letter, e.g. H97A",
                   ui::vbExclamation, "MakeSegList");
        Abort = true;
        return;
    }
    std::string sql = "SELECT Segment FROM Segment WHERE Highway_Number = " + std::to_string(number) + " AND ";
    sql += letter.empty() ? "(Highway_Letter IS NULL OR Highway_Letter = '')"
                          : "Highway_Letter = " + SQL_Str(letter);
    sql += " ORDER BY Search_Sequence";
    SS_Log(sql);
    int found = 0;
    db::Recordset rs = hmz_DB.open_recordset(sql);
    for (; !rs.eof(); rs.move_next()) {
        const std::string seg = rs.field("Segment").as_text();
        if (count == std::numeric_limits<int16_t>::max()) break;
        ++count;
        if (list.size() <= static_cast<std::size_t>(count)) list.resize(static_cast<std::size_t>(count) + 1);
        list[static_cast<std::size_t>(count)] = seg;
        ++found;
    }
    if (found == 0) {
        const ui::MsgBoxResult a =
            ui::MsgBox("No segments found for highway " + h + " in HMZ version " + HMZversion,
                       ui::vbOKCancel | ui::vbExclamation, "MakeSegList");
        if (a == ui::vbCancel) Abort = true;
    }
}

void MakeSegList() {
    SegList.assign(1, "");
    SegListCount = 0;
    SegListSQL.clear();
    const int16_t n = CSV_FieldCount(SegmentList);
    if (n < 1) return;
    for (int16_t i = 1; i <= n; ++i) {
        const std::string item = Trim(CSV_Field(SegmentList, i));
        if (item.empty()) continue;
        if (item[0] == 'H' || item[0] == 'h') {
            Add_Highway_Segments(Trim(item.substr(1)), SegList, SegListCount);
            if (Abort) return;
        } else {
            if (SegListCount == std::numeric_limits<int16_t>::max()) break;
            ++SegListCount;
            SegList.push_back(Pad_Code4(item));
        }
    }
    std::string bad;
    for (int16_t i = 1; i <= SegListCount; ++i) {
        const std::string& code = SegList[static_cast<std::size_t>(i)];
        if (SAV_Length(code, HMZversion) < 0) bad += " " + code + " not valid in HMZ version " + HMZversion;
    }
    if (!bad.empty()) {
        const ui::MsgBoxResult a =
            ui::MsgBox(" Warning: segment" + bad, ui::vbOKCancel | ui::vbExclamation, "MakeSegList");
        if (a == ui::vbCancel) {
            Abort = true;
            SegListSQL.clear();
            return;
        }
    }
    SegListSQL = "(";
    for (int16_t i = 1; i <= SegListCount; ++i) {
        if (i > 1) SegListSQL += ",";
        SegListSQL += SQL_Str(SegList[static_cast<std::size_t>(i)]);
    }
    SegListSQL += ")";
}

void Break_by_HwyClass(const std::string& Segment, int16_t hm1, int16_t hm2, int16_t type) {
    WorkPieces.assign(1, SSPiece());
    WorkCount = 0;
    const int32_t lo = hm1 + 1, hi = hm2 - 1;
    std::vector<int32_t> breaks;
    if (lo < hi) {
        const std::string today = TodayText();
        std::vector<const SSClassRow*> rows;
        for (const SSClassRow& r : sscache::ClassRows(Segment)) {
            if (!(r.To_Date > today)) continue;
            const int32_t h = sscache::CintHm(r.Start_Km);
            if (h < lo || h > hi) continue;
            bool listed = false;
            for (std::size_t p = 0; p < HwyClassCategories.size(); ++p)
                if (HwyClassCategories[p] >= '1' && HwyClassCategories[p] <= '6' &&
                    HwyClassCategories[p] - '0' == r.Cat_Number)
                    listed = true;
            if (listed) rows.push_back(&r);
        }
        std::stable_sort(rows.begin(), rows.end(),
                         [](const SSClassRow* a, const SSClassRow* b) { return a->Start_Km < b->Start_Km; });
        for (const SSClassRow* r : rows) {
            const int32_t b = static_cast<int32_t>(std::floor(r->Start_Km * 10.0f));
            if (breaks.empty() || b > breaks.back() + 1) breaks.push_back(b);
        }
    }
    int32_t start = hm1;
    for (int32_t b : breaks) {
        WorkPieces.push_back({Segment, ToInt16(start), ToInt16(b), 1});
        start = b + 1;
    }
    WorkPieces.push_back({Segment, ToInt16(start), hm2, type});
    WorkCount = static_cast<int16_t>(WorkPieces.size() - 1);
}

// ---------------------------------------------------------------------------
// Output steps

void Extend_Endpoints_50m(std::vector<SSRec>& records, int32_t count, const std::string& version) {
    std::string lastSeg;
    float length = -1;
    for (int32_t i = 1; i <= count; ++i) {
        SSRec& r = records[static_cast<std::size_t>(i)];
        if (r.Segment != lastSeg) {
            lastSeg = r.Segment;
            length = version == HMZversion ? Segment_Length(r.Segment) : SAV_Length(r.Segment, version);
        }
        // Each hectometre reaches 50 m either side of its km, so sections
        // that meet at hm b and b + 1 meet at b + 0.05 km.
        float km1 = static_cast<float>((r.hm1 * 10 - 5) / 100.0);
        float km2 = static_cast<float>((r.hm2 * 10 + 5) / 100.0);
        if (km1 < 0) km1 = 0;
        if (length >= 0 && km2 > length) km2 = length;
        if (km2 < km1) km2 = km1;
        r.Km1 = km1;
        r.Km2 = km2;
        r.LengthKm = static_cast<float>(std::nearbyint((static_cast<double>(km2) - km1) * 100) / 100.0);
    }
}

void Set_SS_LatLons() {
    SS_Log("Starting Set_SS_LatLons");
    Status("Looking up Lats & Lons: ");
    Init_LocnLatLon(HMZversion, 2, 0, LogFileNo);
    for (int32_t i = 1; i <= SSCount; ++i) {
        SSRec& r = M::SS[static_cast<std::size_t>(i)];
        if (Extend50m) {
            GetLocnLatLon_Km(r.Segment, r.Km1, r.Latitude1, r.Longitude1, r.LLsrc1);
            GetLocnLatLon_Km(r.Segment, r.Km2, r.Latitude2, r.Longitude2, r.LLsrc2);
        } else {
            GetLocnLatLon_Hm(r.Segment, r.hm1, r.Latitude1, r.Longitude1, r.LLsrc1);
            GetLocnLatLon_Hm(r.Segment, r.hm2, r.Latitude2, r.Longitude2, r.LLsrc2);
        }
    }
    Print_NLL_Counts(LogFileNo);
}

void Lookup_SS_Attributes() {
    if (AttrDone >= SSCount) return;
    if (AttrDone == 0) SS_Log("Starting Lookup_SS_Attributes");
    if (IncludeADT && !ss_vol::Open()) {
        SS_Log("Could not open the traffic volume database.");
        Abort = true;
        return;
    }
    const std::string today = TodayText();
    std::string lastSeg;
    float length = -1;
    for (int32_t i = AttrDone + 1; i <= SSCount; ++i) {
        SSRec& r = M::SS[static_cast<std::size_t>(i)];
        if (r.Segment != lastSeg) {
            lastSeg = r.Segment;
            length = Segment_Length(r.Segment);
        }
        const float km = MidKm(r, length);
        const double k = static_cast<double>(km);
        r.Region = r.District = r.Area = 0;
        for (const SSAreaRow& a : sscache::AreaRows(r.Segment)) {
            if (a.Start_Km <= k + 0.0005 && a.End_km >= k - 0.0005) {
                r.Region = static_cast<int16_t>(a.Region);
                r.District = static_cast<int16_t>(a.District);
                r.Area = static_cast<int16_t>(a.Area);
                break;
            }
        }
        // Within a category the later row wins.
        std::string cls(6, ' ');
        bool any = false;
        for (const SSClassRow& c : sscache::ClassRows(r.Segment)) {
            if (c.From_Date > today || c.To_Date < today) continue;
            if (!(k + 0.0005 >= c.Start_Km && k + 0.0005 < c.End_Km)) continue;
            if (c.Cat_Number < 1 || c.Cat_Number > 6 || c.Char_Code.empty()) continue;
            cls[static_cast<std::size_t>(c.Cat_Number - 1)] = c.Char_Code[0];
            any = true;
        }
        r.HwyClass = any ? cls : std::string();
        if (IncludeADT) Lookup_AADT(HMZversion, r.Segment, km, ADTyear1, ADTyear2, r.AADT, r.avgAADT);
        AttrDone = i;
    }
}

void Convert_to_TransHMZversion() {
    SS_Log("Starting Convert_to_TransHMZversion to HMZ version " + TransHMZversion);
    Status("Translating to HMZ version " + TransHMZversion);
    SSTrans = M::SS;
    SSTransCount = SSCount;
    int32_t failed = 0;
    std::string lastSeg;
    float length = -1;
    for (int32_t i = 1; i <= SSTransCount; ++i) {
        SSRec& r = SSTrans[static_cast<std::size_t>(i)];
        if (r.Segment != lastSeg) {
            lastSeg = r.Segment;
            length = Segment_Length(r.Segment);
        }
        // A segment's last hectometre can lie past its end (12.36 km ends in
        // hm 124): that end is the segment's end.
        float km1 = Extend50m ? r.Km1 : HmKm(r.hm1);
        float km2 = Extend50m ? r.Km2 : HmKm(r.hm2);
        if (length >= 0) {
            km1 = std::min(km1, length);
            km2 = std::min(km2, length);
        }
        std::string s1, s2;
        float k1 = 0, k2 = 0;
        bool obs = false, split = false;
        int32_t steps = 0;
        Hemzshift_ToVersion("", r.Segment, " ", km1, TransHMZversion, s1, k1, obs, steps, split);
        Hemzshift_ToVersion("", r.Segment, " ", km2, TransHMZversion, s2, k2, obs, steps, split);
        // An end that does not translate keeps the library's sentinel, so the
        // record stays in its place and shows why.
        if (k1 < 0 || k2 < 0 || s1 != s2) {
            ++failed;
            SS_Log("Record " + r.SID + " " + r.Segment + " " + Format_Km2(km1) + " to " + Format_Km2(km2) +
                   " translates to " + s1 + " " + Format_Km2(k1) + " to " + s2 + " " + Format_Km2(k2));
        }
        if (s1 == s2 && k2 < k1 && k1 >= 0 && k2 >= 0) std::swap(k1, k2);
        r.Segment = s1;
        r.Km1 = k1;
        r.Km2 = k2;
        r.LengthKm = static_cast<float>(std::nearbyint((static_cast<double>(k2) - k1) * 100) / 100.0);
        const int32_t h1 = sscache::CintHm(k1), h2 = sscache::CintHm(k2);
        r.hm1 = ToInt16(h1);
        r.hm2 = ToInt16(h2);
        r.Length = ToInt16(h2 - h1 + 1);
        if (r.Intersection_ID != 0) {
            std::string sk;
            float kk = 0;
            Hemzshift_ToVersion("", M::SS[static_cast<std::size_t>(i)].Segment, " ", HmKm(r.KmInt), TransHMZversion, sk,
                                kk, obs, steps, split);
            r.KmInt = ToInt16(sscache::CintHm(kk));
        }
    }
    SS_Log(std::to_string(failed) + " records did not translate to one segment of HMZ version " + TransHMZversion);
}

void Purge_sections(std::vector<SSRec>& records, int32_t& count) {
    std::vector<SSRec> kept(1);
    for (int32_t i = 1; i <= count; ++i)
        if (!records[static_cast<std::size_t>(i)].Delete) kept.push_back(records[static_cast<std::size_t>(i)]);
    const int32_t removed = count - static_cast<int32_t>(kept.size() - 1);
    records = std::move(kept);
    count = static_cast<int32_t>(records.size() - 1);
    SS_Log(std::to_string(removed) + " sections removed by Purge_sections");
}

void Write_SS_CSV(const std::vector<SSRec>& records, int32_t count, bool withIntersections,
                  const std::string& fileName) {
    ::OutputFile out;
    for (;;) {
        if (out.Open(fileName)) break;
        const tessawin::ErrorInfo err = tessawin::ErrorFromErrno(out.error());
        const std::string text = "Error " + std::to_string(err.number) + " opening file " + fileName + CRLF + CRLF;
        SS_Log(text);
        const ui::MsgBoxResult a = ui::MsgBox(text + "Do you have it open (e.g. in Excel)?" + CRLF + CRLF +
                                                  "If so, close it, and click Yes, and we'll try again.",
                                              ui::vbYesNo | ui::vbExclamation, "File open error");
        if (a != ui::vbYes) return;
    }
    SS_Log("Opened file " + fileName);
    std::string h = "GroupID,SID," + PsecKind + ",Highway,Segment,Km1,Km2,";
    if (withIntersections) h += "KmInt,Intersection_ID,Legs,IntPos,NintLoc1dp,NintLoc2dp,";
    h += "Length,LMtype1,LMtype2,Desc1,Desc2,EndBreakType";
    if (IncludeLatLons) h += ",Latitude1, Longitude1, LLsrc1, Latitude2, Longitude2, LLsrc2";
    h += ",Region,District,Area,PriSecMaj,UrbRur,ArtExpFre,DivUnd,LaneClass,Terrain,HwyClass2345";
    if (IncludeADT)
        for (int32_t y = ADTyear1; y <= ADTyear2; ++y) h += ",AADT_" + std::to_string(y);
    if (IncludeADT) h += ",avgAADT";
    out.Write(h);
    out.Write("\r\n");
    std::string line;
    for (int32_t i = 1; i <= count; ++i) {
        const SSRec& r = records[static_cast<std::size_t>(i)];
        line.clear();
        line += std::to_string(r.NID) + "," + CsvText(r.SID) + "," + CsvText(r.PsecID) + "," + CsvText(r.Highway) +
                "," + r.Segment + ",";
        if (Extend50m)
            line += Format_Km2(r.Km1) + "," + Format_Km2(r.Km2) + ",";
        else
            line += hm_to_KmText(r.hm1) + "," + hm_to_KmText(r.hm2) + ",";
        if (withIntersections) {
            if (r.Intersection_ID != 0)
                line += hm_to_KmText(r.KmInt) + "," + std::to_string(r.Intersection_ID) + "," + std::to_string(r.Legs) +
                        "," + std::to_string(r.IntPos) + "," + std::to_string(r.NintLoc1dp) + "," +
                        std::to_string(r.NintLoc2dp) + ",";
            else
                line += ",,,,,,";
        }
        line += (Extend50m ? Format_Km2(r.LengthKm) : hm_to_KmText(r.Length)) + ",";
        line += CsvText(r.LMtype1) + "," + CsvText(r.LMtype2) + "," + QuotedDesc(r.Desc1) + "," + QuotedDesc(r.Desc2) +
                "," + std::to_string(r.EndBreakType);
        if (IncludeLatLons)
            line += "," + GeneralText(r.Latitude1) + "," + GeneralText(r.Longitude1) + "," + std::to_string(r.LLsrc1) +
                    "," + GeneralText(r.Latitude2) + "," + GeneralText(r.Longitude2) + "," + std::to_string(r.LLsrc2);
        line += "," + std::to_string(r.Region) + "," + std::to_string(r.District) + "," + std::to_string(r.Area);
        // one field per character, a blank one too; no class row gives empty fields
        const std::string& cls = r.HwyClass;
        for (std::size_t c = 0; c < 6; ++c) line += "," + CsvText(c < cls.size() ? cls.substr(c, 1) : "");
        line += "," + CsvText(cls.size() > 1 ? cls.substr(1, 4) : "");
        if (IncludeADT) {
            for (int32_t y = ADTyear1; y <= ADTyear2; ++y) {
                const std::size_t k = static_cast<std::size_t>(y - ADTyear1);
                const int32_t v = k < r.AADT.size() ? r.AADT[k] : -1;
                line += "," + (v < 0 ? std::string() : std::to_string(v));
            }
            line += "," + (r.avgAADT < 0 ? std::string() : std::to_string(r.avgAADT));
        }
        line += "\r\n";
        out.Write(line);
    }
    if (!out.Close()) {
        const tessawin::ErrorInfo err = tessawin::ErrorFromErrno(out.error());
        const std::string text = "Error " + std::to_string(err.number) + " writing file " + fileName + ": " +
                                 err.description;
        SS_Log(text);
        Status(text);
        ui::MsgBox(text, ui::vbExclamation, "Write_SS_CSV");
        return;
    }
    const std::string done = std::to_string(count) + " data records written to file " + fileName;
    Status(done);
    SS_Log(done);
}
