// The short-sections run's parameters, read from the window and checked.
#include "sections/ShortSections.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "common/Brellinlib.h"
#include "common/DecimalFormat.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "platform/ui/forms.h"
#include "platform/ui/ui.h"
#include "sections/SS_Helpers.h"
#include "sections/SS_Psec_Sources.h"
#include "sections/SS_SegmentCache.h"
#include "sections/SS_State.h"

using namespace ShortSections;
using namespace ss_detail;
namespace M = ShortSections;

namespace {

// The largest influence radius taken (hm); a wider one is no intersection
// area and would run the positions past their 16-bit range.
constexpr int16_t kMaxRadius = 1000;

// The control of the window the run reads; a missing one is a programming
// error the run reports and stops on.
template <class C>
C& Ctl(ui::Form& form, const std::string& name) {
    C* c = form.Find<C>(name);
    if (!c) throw std::logic_error("control " + name + " not found on " + form.Name());
    return *c;
}

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

bool SamePath(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (FileExists(a) && FileExists(b)) {
        // Same file under two names (links, "./").
        char ra[4096], rb[4096];
        if (realpath(a.c_str(), ra) && realpath(b.c_str(), rb)) return std::string(ra) == std::string(rb);
    }
    return sscache::SameText(a, b);
}

// A box's whole number up to max, digits and blanks only; 0 after a box
// saying it is not one.
long long Positive_Param(ui::TextBox& box, long long max) {
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
        ok = errno == 0 && v <= max;
    } else {
        ok = false;
    }
    if (!ok) {
        Fail(&box, "Enter a positive integer value in " + ParamName(box), "Invalid integer");
        return 0;
    }
    return v;
}

}  // namespace

// ---------------------------------------------------------------------------
// Parameters

std::string Get_Text_Param(ui::TextBox& box, bool required) {
    const std::string t = Trim(box.Text());
    if (t.empty() && required) Fail(&box, "Enter a value in " + ParamName(box), "Missing parameter");
    return t;
}

int16_t Get_Int_Param(ui::TextBox& box) {
    return static_cast<int16_t>(Positive_Param(box, std::numeric_limits<int16_t>::max()));
}

int32_t Get_Long_Param(ui::TextBox& box, bool required) {
    if (Trim(box.Text()).empty() && !required) return 0;
    return static_cast<int32_t>(Positive_Param(box, std::numeric_limits<int32_t>::max()));
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
