// The short-sections run: the module's state, the primary sections, the loop
// over them and the run itself.
#include "sections/ShortSections.h"

#include <algorithm>
#include <cmath>
#include <ctime>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/FileNumbers.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hwy_Seg_Table_mod.h"
#include "inventory/Intersections.h"
#include "platform/db/db.h"
#include "platform/ui/forms.h"
#include "platform/ui/ui.h"
#include "sections/SS_Helpers.h"
#include "sections/SS_Psec_Sources.h"
#include "sections/SS_SegmentCache.h"
#include "sections/SS_State.h"
#include "sections/frmShortSections.h"
#include "sections/vol_Database.h"

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
using namespace ss_detail;
namespace M = ShortSections;

namespace {

bool IsUnnumbered(int number) {
    return number >= 900;
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
