#include "sections/ShortSections.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/DecimalFormat.h"
#include "common/FileNumbers.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hemzshifts8.h"
#include "inventory/Hwy_Seg_Table_mod.h"
#include "inventory/Intersections.h"
#include "inventory/Locn_LatLon.h"
#include "platform/db/db.h"
#include "platform/ui/forms.h"
#include "platform/ui/ui.h"
#include "sections/SS_Psec_Sources.h"
#include "sections/vol_Database.h"
#include "sections/SS_SegmentCache.h"
#include "sections/frmShortSections.h"

namespace ShortSections {

std::string RunID;
std::string HMZversion;
std::string OutFolder;
std::string PrimType;
std::string InputSDF;
bool OnNumbered = false, OnLettered = false, OnUnNumbered = false, OnSegments = false;
std::string SegmentList;
bool DoIntersections = false;
std::vector<std::string> IntLmkTypes;
int16_t IntLmkTypeCount = 0;
std::string IntLmkTypeSQL;
int16_t Radius = 2;
int16_t MinInterIsecLen = 2;
int32_t IntNIDoffset = 0;
std::string IntSIDprefix;
bool DoSections = false;
float MinLen = 0, MaxLen = 0;
int16_t MinLen_hm = 0, MaxLen_hm = 0;
bool BreakAtLmkTypes = false;
std::vector<std::string> BreakLmkTypes;
int16_t BreakLmkTypeCount = 0;
std::string BreakLmkTypeSQL;
bool BreakAtHwyClass = false;
std::string HwyClassCategories;
bool BreakAtADR = false;
std::string ADRLevel = "Area";
int32_t SecNIDoffset = 0;
std::string SecSIDprefix;
bool IncludeADT = false;
int16_t ADTyear1 = 0, ADTyear2 = 0;
bool IncludeLatLons = false;
bool Extend50m = false;
bool WriteTransformed = false;
std::string TransHMZversion;
bool Abort = false;

std::vector<PsecRec> Psec;
int32_t PsecCount = 0;
std::string PsecKind;

std::vector<SSRec> SS;
int32_t SSCount = 0;
std::vector<SSRec> SSTrans;
int32_t SSTransCount = 0;

std::vector<std::string> SegList;
int16_t SegListCount = 0;
std::string SegListSQL;

std::vector<IntersectionEntry> IntList;
int16_t IntCount = 0;
int32_t IntTotal = 0;

std::vector<SSPiece> WorkPieces;
int16_t WorkCount = 0;
std::vector<SSPiece> SubPieces;
int16_t SubCount = 0;

int32_t CurPsec = 0;
PsecRec CurPsecRec;
int16_t SecCounter = 0;

std::vector<int32_t> BreakTypeCount;
int32_t MiddleSplitCount = 0;
int32_t NoBreakTypeCount = 0;

std::string OutputFile;
std::string OutputFileTrans;

int16_t LogFileNo = 0;

int32_t AttrDone = 0;

}  // namespace ShortSections

using namespace ShortSections;
namespace M = ShortSections;

namespace {

const std::string CRLF = "\r\n";
constexpr int16_t kMaxTypes = 100;
// The largest influence radius taken (hm); a wider one is no intersection
// area and would run the positions past their 16-bit range.
constexpr int16_t kMaxRadius = 1000;

std::string Trim(const std::string& s) {
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string Two(int32_t n) {
    std::string s = std::to_string(n);
    return s.size() < 2 ? std::string(2 - s.size(), '0') + s : s;
}

// "label" then the value at the next print zone of 14 columns.
std::string Zoned(const std::string& label, const std::string& value) {
    const std::size_t width = (label.size() / 14 + 1) * 14;
    return label + std::string(width - label.size(), ' ') + value;
}

std::string NowText() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

std::string TodayText() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
    return buf;
}

int16_t ToInt16(int32_t v) {
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max())
        throw std::overflow_error("Overflow: hectometre position " + std::to_string(v));
    return static_cast<int16_t>(v);
}

void Status(const std::string& mes, bool append = true, const std::string& sep = CRLF) {
    tessawin::WriteStatus(mes, append, sep);
}

// The control of the window the run reads; a missing one is a programming
// error the run reports and stops on.
template <class C>
C& Ctl(ui::Form& form, const std::string& name) {
    C* c = form.Find<C>(name);
    if (!c) throw std::logic_error("control " + name + " not found on " + form.Name());
    return *c;
}

ui::Form* g_form = nullptr;

ui::TextBox& Txt(const std::string& name) {
    return Ctl<ui::TextBox>(*g_form, name);
}
bool Chk(const std::string& name) {
    return Ctl<ui::CheckBox>(*g_form, name).Value() == ui::vbChecked;
}
bool Opt(const std::string& name) {
    return Ctl<ui::OptionButton>(*g_form, name).Value();
}

// Control name without its kind prefix, as the messages name it.
std::string ParamName(const ui::TextBox& box) {
    return box.Name().size() > 3 ? box.Name().substr(3) : "";
}

void Fail(ui::TextBox* box, const std::string& message, const std::string& title) {
    ui::MsgBox(message, ui::vbExclamation, title);
    if (box) box->SetFocus();
    Abort = true;
}

// A type list: split by the CSV rule, each item trimmed; at most 100 items.
void Split_Types(const std::string& text, std::vector<std::string>& types, int16_t& count, std::string& sql) {
    std::vector<std::string> fields(kMaxTypes + 1);
    int16_t n = 0;
    CSV_SplitTrim(text, fields, n);
    types.assign(1, "");
    count = 0;
    sql = "(";
    for (int16_t i = 1; i <= n; ++i) {
        if (fields[static_cast<std::size_t>(i)].empty()) continue;
        types.push_back(fields[static_cast<std::size_t>(i)]);
        ++count;
        if (count > 1) sql += ",";
        sql += SQL_Str(fields[static_cast<std::size_t>(i)]);
    }
    sql += ")";
}

bool AllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

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

bool IsUnnumbered(int number) {
    return number >= 900;
}

// Highway number and letter of a Hwy4 code ("097A", "905 ").
void SplitHwy4(const std::string& hwy4, int& number, std::string& letter) {
    number = 0;
    letter.clear();
    std::size_t i = 0;
    while (i < hwy4.size() && hwy4[i] >= '0' && hwy4[i] <= '9') number = number * 10 + (hwy4[i++] - '0');
    letter = Trim(hwy4.substr(i));
}

std::string HighwayText(const std::string& hwy4) {
    int n = 0;
    std::string letter;
    SplitHwy4(hwy4, n, letter);
    return std::to_string(n) + letter;
}

}  // namespace

// ---------------------------------------------------------------------------
// Log

void SS_Log(const std::string& line) {
    if (LogFileNo > 0) Print_FileNo(LogFileNo, line);
}

// ---------------------------------------------------------------------------
// Parameters

std::string Get_Text_Param(ui::TextBox& box, bool required) {
    const std::string t = Trim(box.Text());
    if (t.empty() && required) Fail(&box, "Enter a value in " + ParamName(box), "Missing parameter");
    return t;
}

int16_t Get_Int_Param(ui::TextBox& box) {
    std::string digits;
    bool ok = !Trim(box.Text()).empty();
    for (char c : box.Text()) {
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c != ' ' && c != '\t')
            ok = false;
    }
    long v = 0;
    if (ok && !digits.empty()) {
        errno = 0;
        v = std::strtol(digits.c_str(), nullptr, 10);
        ok = errno == 0 && v <= std::numeric_limits<int16_t>::max();
    } else {
        ok = false;
    }
    if (!ok) {
        Fail(&box, "Enter a positive integer value in " + ParamName(box), "Invalid integer");
        return 0;
    }
    return static_cast<int16_t>(v);
}

int32_t Get_Long_Param(ui::TextBox& box, bool required) {
    if (Trim(box.Text()).empty() && !required) return 0;
    std::string digits;
    bool ok = !Trim(box.Text()).empty();
    for (char c : box.Text()) {
        if (c >= '0' && c <= '9')
            digits += c;
        else if (c != ' ' && c != '\t')
            ok = false;
    }
    long long v = 0;
    if (ok && !digits.empty()) {
        errno = 0;
        v = std::strtoll(digits.c_str(), nullptr, 10);
        ok = errno == 0 && v <= std::numeric_limits<int32_t>::max();
    } else {
        ok = false;
    }
    if (!ok) {
        Fail(&box, "Enter a positive integer value in " + ParamName(box), "Invalid integer");
        return 0;
    }
    return static_cast<int32_t>(v);
}

float Get_Real_Param(ui::TextBox& box, bool required) {
    const std::string t = Trim(box.Text());
    if (t.empty() && !required) return 0;
    double v = 0;
    if (t.empty() || !decimal::ParseDouble(t, v) || !std::isfinite(v) ||
        std::fabs(v) > std::numeric_limits<float>::max()) {
        Fail(&box, "Enter a real value in " + ParamName(box), "Invalid Real");
        return 0;
    }
    return static_cast<float>(v);
}

bool Valid_HwyClass_Categories(const std::string& text, std::string& Rebuilt) {
    Rebuilt.clear();
    std::vector<std::string> fields(8);
    const int16_t n = CSV_FieldCount(text);
    if (n < 1 || n > 6) return false;
    for (int16_t i = 1; i <= n; ++i) {
        const std::string item = Trim(CSV_Field(text, i));
        if (!AllDigits(item) || item.size() > 1) return false;
        const int v = item[0] - '0';
        if (v < 1 || v > 6) return false;
        if (!Rebuilt.empty()) Rebuilt += ",";
        Rebuilt += std::to_string(v);
    }
    return true;
}

bool Valid_RunID(const std::string& id) {
    if (id.empty() || id.find("..") != std::string::npos) return false;
    for (unsigned char c : id)
        if (c < 32 || c == 127 || std::string("/\\:*?\"<>|").find(static_cast<char>(c)) != std::string::npos)
            return false;
    return true;
}

namespace {

std::string OutputName(const std::string& kind, const std::string& suffix) {
    return OutFolder + "Short_" + kind + "_" + RunID + suffix + ".csv";
}

std::string OutputKind() {
    if (DoIntersections && DoSections) return "MixedSections";
    if (DoIntersections) return "Intersections";
    return "Sections";
}

bool SamePath(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (FileExists(a) && FileExists(b)) {
        // Same file under two names (links, "./").
        char ra[4096], rb[4096];
        if (realpath(a.c_str(), ra) && realpath(b.c_str(), rb)) return std::string(ra) == std::string(rb);
    }
    return sscache::SameText(a, b);
}

}  // namespace

void GetParametersFromForm() {
    ui::Form& form = *g_form;
    Scan_Init();
    SS_Log("--- Parameters on frmShortSections:");
    for (const auto& owned : form.Controls()) {
        const std::string& name = owned->Name();
        if (name.rfind("txt", 0) == 0) {
            if (auto* t = dynamic_cast<ui::TextBox*>(owned.get())) SS_Log(Zoned(name, t->Text()));
        } else if (name.rfind("chk", 0) == 0) {
            if (auto* c = dynamic_cast<ui::CheckBox*>(owned.get())) SS_Log(Zoned(name, std::to_string(c->Value())));
        } else if (name.rfind("opt", 0) == 0) {
            if (auto* o = dynamic_cast<ui::OptionButton*>(owned.get()))
                SS_Log(Zoned(name, o->Value() ? "True" : "False"));
        }
    }
    SS_Log("---");
    Abort = false;

    RunID = Get_Text_Param(Txt("txtRunID"), true);
    if (Abort) return;
    if (!Valid_RunID(RunID)) {
        Fail(&Txt("txtRunID"),
             "The Run ID names the output files: enter one without a path separator, \"..\" or any of the "
             "characters : * ? \" < > |",
             "Invalid Run ID");
        return;
    }

    if (Opt("optPrimSec_Highway"))
        PrimType = "Highway";
    else if (Opt("optPrimSec_HMZsegment"))
        PrimType = "HMZSegment";
    else if (Opt("optPrimSec_UTVS"))
        PrimType = "UTVS";
    else if (Opt("optPrimSec_SDF"))
        PrimType = "SDF";
    else {
        Fail(nullptr, "Error: no primary section type selected", "GetParametersFromForm");
        return;
    }
    if (PrimType == "SDF") {
        InputSDF = Get_Text_Param(Txt("txtInputSDF"), true);
        if (Abort) return;
        if (!FileExists(InputSDF)) {
            Fail(&Txt("txtInputSDF"), "Input SDF not found: " + InputSDF, "GetParametersFromForm");
            return;
        }
    }

    if (PrimType != "SDF") {
        OnNumbered = Chk("chkOnNumberedHwys");
        OnLettered = Chk("chkOnLetteredHwys");
        OnUnNumbered = Chk("chkOnUnNumberedHwys");
        OnSegments = Chk("chkOnSegments");
        if (OnSegments) {
            SegmentList = Trim(Txt("txtOnSegments").Text());
            MakeSegList();
            if (Abort) return;
        }
    }

    DoIntersections = Chk("chkIntersections");
    if (DoIntersections) {
        const std::string types = Get_Text_Param(Txt("txtIntSecLmkTypes"), true);
        if (Abort) return;
        Split_Types(types, IntLmkTypes, IntLmkTypeCount, IntLmkTypeSQL);
        Radius = Get_Int_Param(Txt("txtRadius"));
        if (Abort) return;
        if (Radius > kMaxRadius) {
            Fail(&Txt("txtRadius"), "Enter a radius of at most " + std::to_string(kMaxRadius) + " (hm) in Radius",
                 "Invalid integer");
            return;
        }
        MinInterIsecLen = Get_Int_Param(Txt("txtMinInterIsecLen"));
        if (Abort) return;
        IntNIDoffset = Get_Long_Param(Txt("txtIntNIDoffset"), false);
        if (Abort) return;
        IntSIDprefix = Get_Text_Param(Txt("txtIntSIDprefix"), false);
    }

    DoSections = Chk("chkSections");
    if (DoSections) {
        MinLen = Get_Real_Param(Txt("txtMinLen"), true);
        if (Abort) return;
        MaxLen = Get_Real_Param(Txt("txtMaxLen"), true);
        if (Abort) return;
        // Every cut must move on by at least one hectometre.
        if (MaxLen < 0.1f - 1e-6f || MaxLen > 3000.0f) {
            Fail(&Txt("txtMaxLen"), "Enter a maximum length from 0.1 to 3000 (km) in MaxLen", "Invalid Real");
            return;
        }
        if (MinLen < 0 || MinLen > MaxLen) {
            Fail(&Txt("txtMinLen"), "Enter a minimum length from 0 up to the maximum length in MinLen",
                 "Invalid Real");
            return;
        }
        MinLen_hm = Km_to_hm(MinLen);
        MaxLen_hm = Km_to_hm(MaxLen);
        BreakAtLmkTypes = Chk("chkBreakAtLandmarkTypes");
        if (BreakAtLmkTypes) {
            const std::string types = Get_Text_Param(Txt("txtBreakLandmarkTypes"), true);
            if (Abort) return;
            Split_Types(types, BreakLmkTypes, BreakLmkTypeCount, BreakLmkTypeSQL);
        }
        BreakAtHwyClass = Chk("chkBreakAtHwyClass");
        if (BreakAtHwyClass) {
            const std::string cats = Get_Text_Param(Txt("txtHwyClassCategories"), true);
            if (Abort) return;
            if (!Valid_HwyClass_Categories(cats, HwyClassCategories)) {
                Fail(&Txt("txtHwyClassCategories"),
                     "Enter a comma-separated list of Highway Classification Category numbers" + CRLF + "e.g. 2,3,4,5" +
                         CRLF + CRLF + "These numbers are defined in the HMZ Class_Category table.",
                     "GetParametersFromForm");
                return;
            }
        }
        BreakAtADR = Chk("chkBreakAtADR");
        if (BreakAtADR) {
            if (Opt("optArea"))
                ADRLevel = "Area";
            else if (Opt("optDistrict"))
                ADRLevel = "District";
            else if (Opt("optRegion"))
                ADRLevel = "Region";
            else
                ADRLevel = "Area";
        }
        SecNIDoffset = Get_Long_Param(Txt("txtSecNIDoffset"), false);
        if (Abort) return;
        SecSIDprefix = Get_Text_Param(Txt("txtSecSIDprefix"), false);
    }

    if (!DoIntersections && !DoSections) {
        Fail(nullptr, "Select one or both of Create Intersections or Create Sections.", "GetParametersFromForm");
        return;
    }

    IncludeADT = Chk("chkIncludeADT");
    if (IncludeADT) {
        ADTyear1 = Get_Int_Param(Txt("txtADTyear1"));
        if (Abort) return;
        ADTyear2 = Get_Int_Param(Txt("txtADTyear2"));
        if (Abort) return;
        if (ADTyear1 < 1987) {
            Fail(&Txt("txtADTyear1"), "Enter a start year >= 1987", "Invalid Start Year");
            return;
        }
        if (ADTyear2 < ADTyear1) {
            Fail(&Txt("txtADTyear2"), "Enter an end year greater than the start year", "Invalid End Year");
            return;
        }
        // A run that needs volumes does not go on without them.
        if (!ss_vol::Open()) {
            SS_Log("Could not open the traffic volume database.");
            Abort = true;
            return;
        }
        const int16_t latest = ss_vol::Max_Year(HMZversion);
        if (latest == 0) {
            Fail(&Txt("txtADTyear2"), "Traffic volume is not available for HMZ version " + HMZversion,
                 "Traffic Volume");
            return;
        }
        if (ADTyear2 > latest) {
            Fail(&Txt("txtADTyear2"), "Traffic volume is not available after year " + std::to_string(latest),
                 "Invalid End Year");
            return;
        }
        ss_vol::Close();
    }

    IncludeLatLons = Chk("chkIncludeLatLons");
    Extend50m = Chk("chkExtend50m");
    WriteTransformed = Chk("chkWriteTransformed");
    if (WriteTransformed) {
        TransHMZversion = Get_Text_Param(Txt("txtTransHMZversion"), true);
        if (Abort) return;
        if (!HMZ_Version_Valid(TransHMZversion) || TransHMZversion.size() != 6 || !AllDigits(TransHMZversion)) {
            Fail(&Txt("txtTransHMZversion"),
                 "HMZ version " + TransHMZversion +
                     " is not a valid HMZ version (i.e. is not in the SegAllVersions database).",
                 "GetParametersFromForm");
            return;
        }
    }

    // An output never replaces the file the run reads.
    if (PrimType == "SDF") {
        const std::string kind = OutputKind();
        for (const std::string& out :
             {OutputName(kind, ""), WriteTransformed ? OutputName(kind, "_HMZ" + TransHMZversion) : std::string()}) {
            if (!out.empty() && SamePath(out, InputSDF)) {
                Fail(&Txt("txtRunID"), "The output file " + out + " would replace the input SDF." + CRLF +
                                           "Choose another Run ID or output folder.",
                     "GetParametersFromForm");
                return;
            }
        }
    }
}

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

// ---------------------------------------------------------------------------
// Primary sections

namespace {

void Add_Psec(PsecRec p) {
    Psec.push_back(std::move(p));
    ++PsecCount;
}

bool InSegList(const std::string& seg) {
    for (int16_t i = 1; i <= SegListCount; ++i)
        if (sscache::SameText(SegList[static_cast<std::size_t>(i)], seg)) return true;
    return false;
}

}  // namespace

// Whether the highway and segment filters of the window take a segment.
bool SS_Segment_Wanted(const std::string& hwy4, const std::string& segment) {
    int number = 0;
    std::string letter;
    SplitHwy4(hwy4, number, letter);
    if (OnNumbered && !IsUnnumbered(number) && letter.empty()) return true;
    if (OnLettered && !IsUnnumbered(number) && !letter.empty()) return true;
    if (OnUnNumbered && IsUnnumbered(number)) return true;
    return OnSegments && InSegList(segment);
}

void psec_Load_Segments() {
    PsecKind = "HMZ_Segment";
    Load_Hwy_Seg_Table(HMZversion);
    for (int32_t i = 1; i <= Hwy_Seg_Count; ++i) {
        const Hwy_Seg_Record& r = Hwy_Seg_Table[static_cast<std::size_t>(i)];
        if (!SS_Segment_Wanted(r.Hwy4, r.Segment)) continue;
        PsecRec p;
        p.ID = r.Segment;
        p.Highway = HighwayText(r.Hwy4);
        p.Seg1 = p.Seg2 = r.Segment;
        p.hm1 = 0;
        p.hm2 = r.Length_hm;
        if (!r.Begin_Node.empty()) p.Desc1 = "Node " + r.Begin_Node;
        if (!r.End_Node.empty()) p.Desc2 = "Node " + r.End_Node;
        Add_Psec(std::move(p));
    }
    SS_Log(std::to_string(PsecCount) + " HMZ segments selected.");
}

void psec_Load_UTVS() {
    PsecKind = "UTVS";
    if (!ss_vol::Open()) {
        SS_Log("Could not open the traffic volume database.");
        Abort = true;
        return;
    }
    Load_Hwy_Seg_Table(HMZversion);
    std::vector<ss_vol::UTVS_Row> rows;
    if (!ss_vol::Load_UTVS(HMZversion, rows)) {
        Abort = true;
        return;
    }
    int32_t skipped = 0;
    for (const ss_vol::UTVS_Row& u : rows) {
        const int32_t idx = HwySet_Index(u.Seg);
        if (idx == 0) {
            SS_Log("UTVS " + u.ID + ": segment " + u.Seg + " not in HMZ version " + HMZversion + "; skipped.");
            ++skipped;
            continue;
        }
        const Hwy_Seg_Record& r = Hwy_Seg_Table[static_cast<std::size_t>(idx)];
        if (!SS_Segment_Wanted(r.Hwy4, r.Segment)) continue;
        if (u.Hm1 > u.Hm2 || u.Hm1 < 0) {
            SS_Log("UTVS " + u.ID + ": hm " + std::to_string(u.Hm1) + " to " + std::to_string(u.Hm2) +
                   " is not a stretch; skipped.");
            ++skipped;
            continue;
        }
        PsecRec p;
        p.ID = u.ID;
        p.Highway = HighwayText(r.Hwy4);
        p.Seg1 = p.Seg2 = r.Segment;
        p.hm1 = u.Hm1;
        p.hm2 = u.Hm2;
        p.Desc1 = u.Desc1;
        p.Desc2 = u.Desc2;
        Add_Psec(std::move(p));
    }
    SS_Log(std::to_string(PsecCount) + " UTVS selected, " + std::to_string(skipped) + " skipped.");
}

void psec_Load_SDF() {
    PsecKind = "SDF_Section";
    std::vector<ss_sdf::Section> sections;
    if (!ss_sdf::Load(HMZversion, InputSDF, sections)) {
        SS_Log("Could not use the sections of " + InputSDF);
        Abort = true;
        return;
    }
    int32_t skipped = 0;
    for (const ss_sdf::Section& s : sections) {
        if (s.Seg1 != s.Seg2) {
            SS_Log("SDF section " + s.ID + " runs from segment " + s.Seg1 + " to " + s.Seg2 +
                   "; only one-segment sections are broken; skipped.");
            ++skipped;
            continue;
        }
        PsecRec p;
        p.ID = s.ID;
        p.Highway = HighwayText(s.Hwy1);
        p.Seg1 = p.Seg2 = s.Seg1;
        p.hm1 = s.hm1;
        p.hm2 = s.hm2;
        Add_Psec(std::move(p));
    }
    SS_Log(std::to_string(PsecCount) + " SDF sections selected, " + std::to_string(skipped) + " skipped.");
    if (skipped > 0)
        Status(std::to_string(skipped) + " SDF sections spanning more than one segment were skipped (see the log).");
}

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

namespace {

SSRec& New_Record() {
    M::SS.push_back(SSRec());
    ++SSCount;
    return M::SS.back();
}

}  // namespace

void Add_Intersection_Record(int16_t n, const std::string& SID) {
    const IntersectionEntry& e = IntList[static_cast<std::size_t>(n)];
    SSRec& r = New_Record();
    r.NID = static_cast<int32_t>(static_cast<int64_t>(IntNIDoffset) + SSCount);
    r.SID = SID;
    r.PsecID = CurPsecRec.ID;
    r.Highway = CurPsecRec.Highway;
    r.Segment = e.Segment;
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
    SSRec& r = New_Record();
    r.NID = static_cast<int32_t>(static_cast<int64_t>(SecNIDoffset) + SSCount);
    r.SID = SID;
    r.PsecID = CurPsecRec.ID;
    r.Highway = CurPsecRec.Highway;
    r.Segment = Segment;
    r.hm1 = hm1;
    r.hm2 = hm2;
    r.Length = ToInt16(static_cast<int32_t>(hm2) - hm1 + 1);
    r.EndBreakType = EndBreakType;
    Get_Landmark_At_Hm(Segment, hm1, r.LMtype1, r.Desc1);
    if (r.Desc1.empty() && hm1 == CurPsecRec.hm1) r.Desc1 = CurPsecRec.Desc1;
    Get_Landmark_At_Hm(Segment, hm2, r.LMtype2, r.Desc2);
    if (r.Desc2.empty() && hm2 == CurPsecRec.hm2) r.Desc2 = CurPsecRec.Desc2;
}

// ---------------------------------------------------------------------------
// The loop over the primary sections

namespace {

// The rows of the segments of the next primary sections, read together.
void Prefetch_From(int32_t b) {
    constexpr std::size_t kBatch = 400;
    std::vector<std::string> segs;
    for (int32_t i = b; i <= PsecCount && segs.size() < kBatch; ++i) {
        const std::string& s = Psec[static_cast<std::size_t>(i)].Seg1;
        if (std::find(segs.end() - std::min<std::size_t>(segs.size(), 8), segs.end(), s) == segs.end())
            segs.push_back(s);
    }
    std::sort(segs.begin(), segs.end());
    segs.erase(std::unique(segs.begin(), segs.end()), segs.end());
    sscache::Prefetch(segs);
    if (IncludeADT && ss_vol::Open()) Vol_Prefetch(HMZversion, segs, ADTyear1, ADTyear2);
}

}  // namespace

void Break_Main() {
    Abort = false;
    if (DoIntersections) {
        int32_t n = 0;
        Load_Landmark_Intersection_IDs(HMZversion, n);
        if (n == 0) {
            SS_Log("Load_Landmark_Intersection_IDs failed.");
            return;
        }
        SS_Log(std::to_string(n) + " records read from Landmark-Intersection table.");
    }
    if (PrimType == "Highway") {
        ui::MsgBox("Highway primary section type not implemented yet!", ui::vbExclamation);
    } else if (PrimType == "HMZSegment") {
        psec_Load_Segments();
    } else if (PrimType == "UTVS") {
        psec_Load_UTVS();
    } else if (PrimType == "SDF") {
        psec_Load_SDF();
    }
    if (Abort) return;
    if (PsecCount == 0) {
        Status("No primary sections found to process.");
        Abort = true;
        return;
    }
    Status("Processing " + PsecKind + ": ");
    for (int32_t b = 1; b <= PsecCount; ++b) {
        CurPsec = b;
        CurPsecRec = Psec[static_cast<std::size_t>(b)];
        const PsecRec& p = CurPsecRec;
        if (!sscache::Has(p.Seg1)) Prefetch_From(b);
        const int32_t firstOfPsec = SSCount + 1;
        IntCount = 0;
        SecCounter = 0;
        Status(p.ID, true, ",");
        SS_Log(PsecKind + " " + std::to_string(b) + ": " + p.ID);

        if (DoIntersections) {
            Make_Intersection_List(p.Seg1, p.hm1, p.hm2);
            if (Abort) return;
            if (IntCount > 0 && !DoSections) {
                for (int16_t k = 1; k <= IntCount; ++k) Add_Intersection_Record(k, IntSIDprefix + p.ID + "_" + Two(k));
            }
        }
        if (DoSections) {
            if (!DoIntersections || IntCount == 0) {
                Break_Section(p.Seg1, p.hm1, p.hm2, 5);
            } else {
                int32_t cursor = p.hm1;
                for (int16_t k = 1; k <= IntCount; ++k) {
                    const IntersectionEntry e = IntList[static_cast<std::size_t>(k)];
                    if (cursor < e.hmFrom) {
                        const int32_t firstRec = SSCount + 1;
                        Break_Section(p.Seg1, ToInt16(cursor), ToInt16(e.hmFrom - 1), 0);
                        if (SSCount >= firstRec) {
                            if (k > 1) {
                                const IntersectionEntry& prev = IntList[static_cast<std::size_t>(k) - 1];
                                SSRec& r = M::SS[static_cast<std::size_t>(firstRec)];
                                if (r.LMtype1.empty()) r.LMtype1 = "<-" + prev.LMtype1;
                                if (r.Desc1.empty()) r.Desc1 = "<-" + prev.Desc1;
                            }
                            SSRec& r = M::SS[static_cast<std::size_t>(SSCount)];
                            if (r.LMtype2.empty()) r.LMtype2 = e.LMtype1 + "->";
                            if (r.Desc2.empty()) r.Desc2 = e.Desc1 + "->";
                        }
                    }
                    ++SecCounter;
                    Add_Intersection_Record(k, IntSIDprefix + p.ID + "_" + Two(SecCounter));
                    cursor = e.hmTo + 1;
                }
                if (cursor <= p.hm2) {
                    if (cursor == p.hm2)
                        SS_Log("WARNING: Intersection " + M::SS[static_cast<std::size_t>(SSCount)].SID +
                               " ends 100m before end of Psec " + p.ID);
                    Break_Section(p.Seg1, ToInt16(cursor), p.hm2, 5);
                }
            }
        }
        // Attributes while the segment's rows are at hand.
        if (SSCount >= firstOfPsec) {
            Lookup_SS_Attributes();
            if (Abort) return;
        }
    }
    const std::string ended = "Break_Main ended at " + NowText();
    SS_Log(ended);
    Status(ended);
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

// ---------------------------------------------------------------------------
// The run

namespace {

// Closes the log and clears the trace number on every way out of the run.
class RunLog {
public:
    bool Open(const std::string& path) {
        const int16_t no = FreeFile();
        if (!Open_FileNo(no, path)) return false;
        LogFileNo = no;
        Trace_FileNo = no;
        tessawin::SetTraceWriter([no](const std::string& line) { Print_FileNo(no, line); });
        return true;
    }
    ~RunLog() { Close(); }
    void Close() {
        if (LogFileNo > 0) Close_FileNo(LogFileNo);
        LogFileNo = 0;
        Trace_FileNo = 0;
        tessawin::SetTraceWriter(nullptr);
    }
};

}  // namespace

void Run_ShortSections(ui::Form& form, int32_t& count) {
    g_form = &form;
    count = 0;
    Abort = false;
    Reset_SS_Arrays();
    M::OutputFile.clear();
    OutputFileTrans.clear();

    std::string logName;
    if (auto* w = dynamic_cast<frmShortSections*>(&form)) logName = w->ShortSectionsLogFileName;
    RunLog log;
    if (logName.empty() || !log.Open(logName)) {
        ui::MsgBox(FileOpenErrorMsg("output", logName), ui::vbExclamation, "Run_ShortSections");
        return;
    }
    SS_Log("Tessawin " + VersionText() + " " + NowText());

    MainForm& main = TheMainForm();
    try {
        HMZversion = Get_Text_Param(main.SDF_HMZversion, true);
        if (Abort) return;
        // The version names the files and tables the run opens.
        if (HMZversion.size() != 6 || !AllDigits(HMZversion) || !HMZ_Version_Valid(HMZversion)) {
            Fail(&main.SDF_HMZversion,
                 "HMZ version " + HMZversion +
                     " is not a valid HMZ version (i.e. is not in the SegAllVersions database).",
                 "Run_ShortSections");
            return;
        }
        OutFolder = Get_Text_Param(main.Out_Folder, true);
        if (Abort) return;
        OutFolder = AddBackslash(OutFolder);
        if (!FolderExists(OutFolder)) {
            Fail(&main.Out_Folder, "Folder: " + OutFolder + CRLF + "Not found.", "Run_ShortSections");
            return;
        }
        SS_Log("--- Parameters on Main Form:");
        SS_Log(Zoned("HMZ Version", HMZversion));
        SS_Log(Zoned("Output Folder", OutFolder));

        if (!HMZ_Open_Database(HMZversion)) {
            const std::string msg = "Could not open HMZ database";
            SS_Log(msg);
            Status(msg);
            ui::MsgBox(msg, ui::vbExclamation);
            return;
        }
        sscache::Clear();

        GetParametersFromForm();
        if (Abort) return;
        Vol_Set_Segment_Info([](const std::string& seg, float& length, std::string& begin, std::string& end) {
            const int32_t i = Hwy_Seg_Count > 0 ? HwySet_Index(seg) : 0;
            if (i <= 0) return false;
            const Hwy_Seg_Record& r = Hwy_Seg_Table[static_cast<std::size_t>(i)];
            length = r.Length;
            begin = r.Begin_Node;
            end = r.End_Node;
            return true;
        });
        Break_Main();
        if (Abort) return;
        SS_Log(std::to_string(SSCount) + " records made, " + std::to_string(IntTotal) + " intersections; " +
               std::to_string(MiddleSplitCount) + " middle splits, " + std::to_string(NoBreakTypeCount) +
               " without a break landmark type.");
        for (int16_t p = 1; p <= BreakLmkTypeCount; ++p)
            SS_Log(Zoned(BreakLmkTypes[static_cast<std::size_t>(p)],
                         std::to_string(BreakTypeCount[static_cast<std::size_t>(p)]) + " breaks"));

        if (Extend50m) Extend_Endpoints_50m(M::SS, SSCount, HMZversion);
        if (IncludeLatLons) Set_SS_LatLons();
        Lookup_SS_Attributes();
        if (Abort) return;

        const std::string kind = OutputKind();
        const bool withInts = DoIntersections;
        M::OutputFile = OutputName(kind, "");
        Write_SS_CSV(M::SS, SSCount, withInts, M::OutputFile);
        if (WriteTransformed) {
            Convert_to_TransHMZversion();
            OutputFileTrans = OutputName(kind, "_HMZ" + TransHMZversion);
            Write_SS_CSV(SSTrans, SSTransCount, withInts, OutputFileTrans);
        }
        count = SSCount;
        ss_vol::Close();
    } catch (const db::Error& e) {
        const std::string msg = "Error " + std::to_string(e.number()) + ": " + e.description();
        SS_Log(msg);
        Status(msg);
        ui::MsgBox(msg, ui::vbExclamation, "Run_ShortSections");
        ss_vol::Close();
        count = 0;
    } catch (const std::overflow_error& e) {
        const std::string msg = std::string(e.what());
        SS_Log(msg);
        Status(msg);
        ui::MsgBox(msg, ui::vbExclamation, "Run_ShortSections");
        ss_vol::Close();
        count = 0;
    }
}
