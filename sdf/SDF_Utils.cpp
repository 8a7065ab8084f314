#include "sdf/SDF_Utils.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/DecimalFormat.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "inventory/Hemzshifts8.h"
#include "inventory/Hwy_Seg_Table_mod.h"
#include "platform/ui/forms.h"
#include "platform/ui/ui.h"

std::string SDF_Version;
std::string SDF_Path;
std::string SDF_OutFolder;
std::vector<SDF_Section> SDF_Sections(1);
SDF_ColumnSet SDF_Columns;
SDF_AuxFieldSet SDF_AuxFields;
std::vector<std::string> SDF_HeadingTexts(kSDF_MaxFields + 1);
std::vector<std::string> SDF_HeadingsLower(kSDF_MaxFields + 1);
int16_t SDF_HeadingCount = 0;

namespace {

constexpr const char* CRLF = "\r\n";

// The extra fields asked for the next read (see SDF_Set_AuxFields).
struct PendingAux {
    bool set = false;
    std::vector<std::string> names, labels;
} pending_aux;

// The record buffer of the reader.
std::vector<std::string> sdf_fields(kSDF_MaxFields + 1);

void StatusLine(const std::string& mes) {
    tessawin::WriteStatus(mes, true);
}

// Report lines gathered and written to the status box a few hundred at a
// time: a long report appended line by line would copy the box each time.
class StatusReport {
public:
    ~StatusReport() { Flush(); }
    void Line(const std::string& line) {
        if (n_ > 0) text_ += "\r\n";
        text_ += line;
        if (++n_ == 256) Flush();
    }
    void Flush() {
        if (n_ == 0) return;
        StatusLine(text_);
        text_.clear();
        n_ = 0;
    }

private:
    std::string text_;
    int n_ = 0;
};

// Where a long overlap check looks up from its work: past its first quarter
// second it shows the Cancel button, holds the other commands off and lets
// the window's events in every tenth of a second.
class CancelPoint {
public:
    using Clock = std::chrono::steady_clock;
    CancelPoint() : next_(Clock::now() + std::chrono::milliseconds(250)) { SDF_Cancel = false; }
    ~CancelPoint() {
        if (cancel_) cancel_->SetVisible(cancel_was_visible_);
    }
    CancelPoint(const CancelPoint&) = delete;
    CancelPoint& operator=(const CancelPoint&) = delete;

    // True once the user has asked to stop; cheap enough for every line.
    bool Cancelled() {
        if (++calls_ % 256 != 0) return false;
        const auto now = Clock::now();
        if (now < next_) return false;
        next_ = now + std::chrono::milliseconds(100);
        if (!guard_) {
            guard_.emplace();
            for (ui::Form* f : ui::LoadedForms())
                if (auto* b = f->Find<ui::CommandButton>("cmdSDFCancel")) {
                    cancel_ = b;
                    cancel_was_visible_ = b->Visible();
                    b->SetVisible(true);
                    break;
                }
        }
        ui::DoEvents();
        return SDF_Cancel;
    }

private:
    Clock::time_point next_;
    unsigned calls_ = 0;
    std::optional<OnlyCancelActs> guard_;
    ui::CommandButton* cancel_ = nullptr;
    bool cancel_was_visible_ = false;
};

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The first heading of the names, in their order of precedence; 0 when none.
int16_t FindHeading(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        int16_t idx = 0;
        if (Find_Str(name, SDF_HeadingsLower, SDF_HeadingCount, idx)) return idx;
    }
    return 0;
}

// The shortest text that reads back as the same single-precision value.
std::string SingleText(float v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

const std::string& FieldAt(int16_t col) {
    static const std::string empty;
    if (col < 1 || col > kSDF_MaxFields) return empty;
    return sdf_fields[static_cast<std::size_t>(col)];
}

// A km field as a single-precision number; false when it is not a number.
bool KmValue(const std::string& text, float& km) {
    double v = 0;
    if (!decimal::ParseDouble(text, v)) return false;
    km = static_cast<float>(v);
    return true;
}

}  // namespace

OnlyCancelActs::OnlyCancelActs() {
    for (ui::Form* f : ui::LoadedForms())
        for (const auto& c : f->Controls()) {
            auto* b = dynamic_cast<ui::CommandButton*>(c.get());
            if (!b || b->Name() == "cmdSDFCancel" || !b->Enabled()) continue;
            b->SetEnabled(false);
            disabled_.push_back(b);
        }
}

OnlyCancelActs::~OnlyCancelActs() {
    for (ui::CommandButton* b : disabled_) b->SetEnabled(true);
}

void SDF_Set_HMZversion(const std::string& version) {
    SDF_Version = version;
}
void SDF_Set_File(const std::string& path) {
    SDF_Path = path;
}
void SDF_Set_OutFolder(const std::string& folder) {
    SDF_OutFolder = folder;
}

void SDF_Set_AuxFields(const std::vector<std::string>& names, const std::vector<std::string>& labels) {
    pending_aux.set = true;
    pending_aux.names = names;
    pending_aux.labels = labels;
}

void SDF_Open(InputFile& FileNo, int16_t& Status) {
    StatusLine("Opening SDF: " + SDF_Path);
    Status = 0;
    std::string msg;
    [&] {
        FileNo.Close();
        if (!FileNo.Open(SDF_Path)) {
            msg = FileOpenErrorMsg("input", SDF_Path, FileNo.error());
            return;
        }
        std::string line;
        bool eof = false;
        Read_Line(FileNo, line, eof);
        if (eof) {
            msg = "No data in file " + SDF_Path;
            return;
        }
        CSV_Split(line, SDF_HeadingTexts, SDF_HeadingCount, false);
        for (int16_t i = 1; i <= kSDF_MaxFields; ++i) {
            const auto k = static_cast<std::size_t>(i);
            SDF_HeadingsLower[k] = i <= SDF_HeadingCount ? LowerAscii(StripQuotes(SDF_HeadingTexts[k])) : "";
        }
        SDF_ColumnSet c;
        c.ColID = FindHeading({"id", "groupid", "project", "projectid"});
        c.ColSeg1 = FindHeading({"segment", "segment1", "seg", "seg1"});
        c.ColSeg2 = FindHeading({"segment2", "seg2"});
        c.ColKm1 = FindHeading({"km1", "kmmark1"});
        c.ColKm2 = FindHeading({"km2", "kmmark2"});
        c.ColNote = FindHeading({"note", "notes", "description"});
        if (c.ColID == 0) {
            const std::string noId = "No ID, GroupID, Project or ProjectID field heading found in file " + SDF_Path;
            if (ui::MsgBox(noId + CRLF + CRLF + "Do you want to use the section record number as the ID?",
                           ui::vbYesNo + ui::vbExclamation, "SDF_Open") != ui::vbYes) {
                msg = noId;
                return;
            }
            c.ColID = -1;
        }
        if (c.ColSeg1 == 0) {
            msg = "No Segment or Seg or Seg1 field heading found in file " + SDF_Path;
            return;
        }
        if (c.ColSeg2 == 0) c.ColSeg2 = c.ColSeg1;
        if (c.ColKm1 == 0) {
            msg = "No Km1 or KmMark1 field heading found in file " + SDF_Path;
            return;
        }
        if (c.ColKm2 == 0) {
            msg = "No Km2 or KmMark2 field heading found in file " + SDF_Path;
            return;
        }
        c.MinFields = std::max({c.ColSeg1, c.ColSeg2, c.ColKm1, c.ColKm2, c.ColID, c.ColNote});
        SDF_Columns = c;
    }();
    if (msg.empty()) return;
    Status = -1;
    ui::MsgBox(msg, ui::vbExclamation, "SDF_Open");
    StatusLine(msg);
    FileNo.Close();
}

void SDF_ValidateLocn(const SDF_Section& Section, const std::string& Seg, float& Km, bool Snap, int16_t& Status) {
    Status = 0;
    int32_t check = 0;
    Hemzshift_CheckLocn(SDF_Version, Seg, Km, check);
    std::string msg;
    if (check == -1) {
        msg = "Error: section " + Section.ID + " segment " + Seg + " not valid for HMZ version " + SDF_Version;
    } else if (check == -2) {
        const float length = SAV_Length(Seg, SDF_Version);
        if (Km == 999.9f) {
            Km = length;
        } else if (Snap && Km >= 0 && Km - length < 0.051f) {
            Km = length;
        } else {
            msg = "Error: section " + Section.ID + " km " + SingleText(Km) + " not valid for segment " + Seg +
                  " in HMZ version " + SDF_Version;
        }
    }
    if (msg.empty()) return;
    Status = -1;
    StatusLine(msg);
    if (ui::MsgBox(msg, ui::vbOKCancel + ui::vbExclamation, "SDF_ValidateLocn") == ui::vbCancel) Status = -2;
}

void SDF_Read(int16_t& Status) {
    Status = 0;
    int32_t errors = 0;
    SDF_Sections.assign(1, SDF_Section{});

    // This read's extra fields: the ones asked for since the last read, or none.
    SDF_AuxFieldSet aux;
    if (pending_aux.set) {
        aux.AuxCount = static_cast<int16_t>(pending_aux.names.size());
        aux.Names.assign(1, "");
        aux.Labels.assign(1, "");
        for (std::size_t k = 0; k < pending_aux.names.size(); ++k) {
            aux.Names.push_back(pending_aux.names[k]);
            aux.Labels.push_back(k < pending_aux.labels.size() ? pending_aux.labels[k] : pending_aux.names[k]);
        }
    }
    pending_aux = PendingAux{};
    aux.Cols.assign(static_cast<std::size_t>(aux.AuxCount) + 1, 0);
    SDF_AuxFields = aux;

    InputFile in;
    SDF_Open(in, Status);
    if (Status != 0) return;

    for (int16_t k = 1; k <= SDF_AuxFields.AuxCount; ++k) {
        int16_t col = 0;
        Find_Str(LowerAscii(SDF_AuxFields.Names[static_cast<std::size_t>(k)]), SDF_HeadingsLower, SDF_HeadingCount,
                 col);
        SDF_AuxFields.Cols[static_cast<std::size_t>(k)] = col;
        SDF_Columns.MinFields = std::max(SDF_Columns.MinFields, col);
    }

    // the translation data folder stands for the library's own choice
    Hemzshift_InitDLL(2, "", Data_Folder(DataKind::Translation));

    const SDF_ColumnSet& c = SDF_Columns;
    std::string msg;
    int32_t record = 0;
    bool pad_ok = false;
    bool eof = false;
    std::string line;
    while (!eof && msg.empty()) {
        Read_Line(in, line, eof);
        if (TrimSpaces(line).empty()) continue;
        ++record;
        int16_t n = 0;
        CSV_Split(line, sdf_fields, n, true);
        if (n < c.MinFields) {
            if (!pad_ok) {
                if (ui::MsgBox("Not enough fields on section data record " + std::to_string(record) + CRLF + CRLF +
                                   "Do you want trailing blank fields to be assumed on such records?",
                               ui::vbOKCancel + ui::vbQuestion, "SDF_Read") == ui::vbCancel) {
                    msg = "SDF_Read cancelled.";
                    break;
                }
                pad_ok = true;
            }
        }
        for (int16_t i = 1; i <= n; ++i) {
            std::string& f = sdf_fields[static_cast<std::size_t>(i)];
            if (f.find(',') == std::string::npos) f = StripQuotes(f);
        }
        SDF_Sections.emplace_back();
        SDF_Section& s = SDF_Sections.back();
        s.ID = c.ColID == -1 ? std::to_string(record) : TrimSpaces(FieldAt(c.ColID));
        if (s.ID.empty()) {
            msg = "ID missing on section record " + std::to_string(record);
            break;
        }
        s.Seg1 = Pad_Code4(FieldAt(c.ColSeg1));
        s.Seg2 = Pad_Code4(FieldAt(c.ColSeg2));
        const std::string& km1 = FieldAt(c.ColKm1);
        const std::string& km2 = FieldAt(c.ColKm2);
        if (TrimSpaces(km1).empty()) {
            msg = "Missing km1 on record " + std::to_string(record);
            break;
        }
        if (!KmValue(km1, s.Km1)) {
            msg = "Invalid km1 on record " + std::to_string(record);
            break;
        }
        if (TrimSpaces(km2).empty()) {
            msg = "Missing km2 on record " + std::to_string(record);
            break;
        }
        if (!KmValue(km2, s.Km2)) {
            msg = "Invalid km2 on record " + std::to_string(record);
            break;
        }
        if (c.ColNote > 0) s.Note = FieldAt(c.ColNote);
        if (SDF_AuxFields.AuxCount > 0) {
            s.AuxValues.assign(static_cast<std::size_t>(SDF_AuxFields.AuxCount) + 1, "");
            for (int16_t k = 1; k <= SDF_AuxFields.AuxCount; ++k) {
                const int16_t col = SDF_AuxFields.Cols[static_cast<std::size_t>(k)];
                if (col > 0) s.AuxValues[static_cast<std::size_t>(k)] = FieldAt(col);
            }
        }
        int16_t st = 0;
        SDF_ValidateLocn(s, s.Seg1, s.Km1, true, st);
        if (st < 0) ++errors;
        if (st == -2) {
            msg = "SDF read cancelled";
            break;
        }
        SDF_ValidateLocn(s, s.Seg2, s.Km2, true, st);
        if (st < 0) ++errors;
        if (st == -2) {
            msg = "SDF read cancelled";
            break;
        }
    }
    in.Close();
    if (msg.empty()) {
        StatusLine(std::to_string(record) + " sections read.");
        if (errors >= 1) msg = "Aborting due to " + std::to_string(errors) + " SDF errors.";
    }
    if (msg.empty()) return;
    Status = -1;
    StatusLine(msg);
    ui::MsgBox(msg, ui::vbExclamation, "SDF_Read");
}

void Add_Unique_Str(const std::string& Value, std::vector<std::string>& List, int16_t& Count) {
    if (Count <= 0) {
        List.assign(2, "");
        List[1] = Value;
        Count = 1;
        return;
    }
    for (int16_t i = 1; i <= Count; ++i)
        if (List[static_cast<std::size_t>(i)] == Value) return;
    ++Count;
    if (List.size() <= static_cast<std::size_t>(Count)) List.resize(static_cast<std::size_t>(Count) + 1);
    List[static_cast<std::size_t>(Count)] = Value;
}

void SDF_Set_hms_and_nodes(int16_t& Status) {
    Status = 0;
    const int32_t count = SDF_Count();
    // A node without a name is no node: sections would share it by accident.
    auto add = [](SDF_Section& s, const std::string& node) {
        if (!node.empty()) Add_Unique_Str(node, s.Nodes, s.NodeCount);
    };
    for (int32_t i = 1; i <= count; ++i) {
        SDF_Section& s = SDF_Sections[static_cast<std::size_t>(i)];
        s.hm1 = Km_to_hm(s.Km1);
        s.hm2 = Km_to_hm(s.Km2);
        std::string msg;
        s.SegIdx1 = HwySet_Index(s.Seg1);
        if (s.SegIdx1 == 0) {
            msg = "Segment " + s.Seg1 + " not found for HMZ version " + SDF_Version;
        } else if (s.Seg2 != s.Seg1) {
            s.SegIdx2 = HwySet_Index(s.Seg2);
            if (s.SegIdx2 == 0) msg = "Segment " + s.Seg2 + " not found for HMZ version " + SDF_Version;
        } else {
            s.SegIdx2 = s.SegIdx1;
        }
        if (msg.empty()) {
            s.Pos1 = s.SegIdx1 * 10000 + s.hm1;
            s.Pos2 = s.SegIdx2 * 10000 + s.hm2;
            if (s.Pos2 < s.Pos1)
                msg = "ERROR: Section " + std::to_string(i) + " ID:" + s.ID + " has endpoint prior to startpoint.";
        }
        if (!msg.empty()) {
            Status = -1;
            StatusLine(msg);
            return;
        }
        const auto row = [](int32_t idx) -> const Hwy_Seg_Record& { return Hwy_Seg_Table[static_cast<std::size_t>(idx)]; };
        s.Nodes.assign(1, "");
        s.NodeCount = 0;
        s.Node1.clear();
        s.Node2.clear();
        if (s.hm1 == 0) {
            s.Node1 = row(s.SegIdx1).Begin_Node;
            add(s, s.Node1);
        }
        if (s.Seg2 != s.Seg1) {
            add(s, row(s.SegIdx1).End_Node);
            for (int32_t r = s.SegIdx1 + 1; r < s.SegIdx2; ++r) {
                add(s, row(r).Begin_Node);
                add(s, row(r).End_Node);
            }
            add(s, row(s.SegIdx2).Begin_Node);
        }
        if (s.hm2 == row(s.SegIdx2).Length_hm) {
            s.Node2 = row(s.SegIdx2).End_Node;
            add(s, s.Node2);
        }
    }
    StatusLine("Hms and nodes set for " + std::to_string(count) + " sections.");
}

int32_t SDF_Count() {
    return static_cast<int32_t>(SDF_Sections.size()) - 1;
}

void SDF_Get_Section(int32_t i, std::string& ID, std::string& Seg1, std::string& Seg2, int16_t& hm1, int16_t& hm2) {
    if (i < 1 || i > SDF_Count()) {
        ID = "Error";
        Seg1.clear();
        Seg2.clear();
        hm1 = hm2 = -1;
        return;
    }
    const SDF_Section& s = SDF_Sections[static_cast<std::size_t>(i)];
    ID = s.ID;
    Seg1 = s.Seg1;
    Seg2 = s.Seg2;
    hm1 = s.hm1;
    hm2 = s.hm2;
}

void SDF_Get_Section_Hwys(int32_t i, std::string& Hwy1, std::string& Hwy2) {
    Hwy1.clear();
    Hwy2.clear();
    if (i < 1 || i > SDF_Count()) return;
    if (Hwy_Seg_Count == 0) Load_Hwy_Seg_Table(SDF_Version);
    const SDF_Section& s = SDF_Sections[static_cast<std::size_t>(i)];
    auto hwy = [](int32_t idx) {
        if (idx < 1 || idx > Hwy_Seg_Count) return std::string();
        return TrimSpaces(Hwy_Seg_Table[static_cast<std::size_t>(idx)].Hwy4);
    };
    Hwy1 = hwy(s.SegIdx1);
    Hwy2 = hwy(s.SegIdx2);
}

void SDF_Overlaps(int16_t& Status) {
    if (SDF_Version.empty()) {
        ui::MsgBox("Error: HMZ Version not set in module SDF_Utils", ui::vbExclamation, "SDF_Overlaps");
        Status = -1;
        return;
    }
    SDF_Set_AuxFields({});
    SDF_Read(Status);
    if (Status != 0) return;
    Load_Hwy_Seg_Table(SDF_Version);
    if (Hwy_Seg_Count == 0) {
        // the loader has said why; no check is no "no overlaps"
        Status = -1;
        return;
    }
    SDF_Set_hms_and_nodes(Status);
    if (Status != 0) {
        StatusLine("*** No overlap checking done ***");
        return;
    }
    int32_t count = 0;
    SDF_Find_Overlaps(count);
    Status = count < 0 ? int16_t{-1} : count < 32768 ? static_cast<int16_t>(count) : int16_t{9999};
}

void SDF_Find_Overlaps(int32_t& Count) {
    Count = 0;
    const int32_t n = SDF_Count();
    const auto sec = [](int32_t i) -> const SDF_Section& { return SDF_Sections[static_cast<std::size_t>(i)]; };
    const auto label = [&](int32_t i) { return std::to_string(i) + " (" + sec(i).ID + ")"; };

    std::vector<int32_t> keys(static_cast<std::size_t>(n) + 1), order;
    for (int32_t i = 1; i <= n; ++i) keys[static_cast<std::size_t>(i)] = sec(i).Pos1;
    Index_Sort_L(n, keys, order);
    CancelPoint point;
    StatusReport report;
    auto cancelled = [&] {
        if (!point.Cancelled()) return false;
        report.Line("Processing CANCELLED");
        Count = -1;
        return true;
    };
    for (int32_t m = 2; m <= n; ++m) {
        const int32_t p = order[static_cast<std::size_t>(m - 1)];
        const int32_t c = order[static_cast<std::size_t>(m)];
        if (sec(p).Pos2 >= sec(c).Pos1) {
            report.Line("Section " + label(c) + " overlaps section " + label(p));
            ++Count;
        }
        if (cancelled()) return;
    }

    // Node test. Every pair j < k sharing a node is reported once per shared
    // node, by j, then k, then the node's place in j's list: the order of
    // comparing every pair, found through the sections at each node.
    std::unordered_map<std::string_view, std::vector<int32_t>> at_node;
    for (int32_t i = 1; i <= n; ++i) {
        const SDF_Section& s = sec(i);
        for (int16_t a = 1; a <= s.NodeCount; ++a) {
            const std::string& node = s.Nodes[static_cast<std::size_t>(a)];
            if (!node.empty()) at_node[node].push_back(i);
        }
    }
    std::vector<std::pair<int32_t, int16_t>> shared;  // (k, place of the node in j's list)
    for (int32_t j = 1; j <= n; ++j) {
        const SDF_Section& s = sec(j);
        shared.clear();
        for (int16_t a = 1; a <= s.NodeCount; ++a) {
            const std::string& node = s.Nodes[static_cast<std::size_t>(a)];
            if (node.empty()) continue;
            const std::vector<int32_t>& list = at_node[node];
            // the list is in file order and holds j
            auto it = std::upper_bound(list.begin(), list.end(), j);
            for (; it != list.end(); ++it) shared.emplace_back(*it, a);
        }
        std::sort(shared.begin(), shared.end());
        if (cancelled()) return;
        for (const auto& [k, a] : shared) {
            report.Line("Section " + label(j) + " overlaps section " + label(k) + " at node " +
                        s.Nodes[static_cast<std::size_t>(a)]);
            ++Count;
            if (cancelled()) return;
        }
    }
    report.Line(std::to_string(Count) + " overlaps found.");
}
