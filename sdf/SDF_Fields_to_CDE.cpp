#include "sdf/SDF_Fields_to_CDE.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <queue>
#include <unordered_map>
#include <vector>

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/DecimalFormat.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/Hwy_Seg_Table_mod.h"
#include "platform/ui/ui.h"
#include "sdf/SDF_Busy.h"
#include "sdf/SDF_Utils.h"

namespace {

constexpr const char* CRLF = "\r\n";
constexpr const char* kTitle = "SDF_Fields_to_CDE";
constexpr int16_t kMaxHeadings = 200;

// The sections that hold each position: the first in file order with
// Pos1 <= position <= Pos2, found by binary search over the positions where
// the answer can change.
class SectionFinder {
public:
    SectionFinder() {
        const int32_t n = SDF_Count();
        std::vector<int32_t> by_start(static_cast<std::size_t>(n));
        for (int32_t i = 1; i <= n; ++i) {
            by_start[static_cast<std::size_t>(i - 1)] = i;
            breaks_.push_back(Sec(i).Pos1);
            breaks_.push_back(Sec(i).Pos2 + 1);
        }
        std::sort(breaks_.begin(), breaks_.end());
        breaks_.erase(std::unique(breaks_.begin(), breaks_.end()), breaks_.end());
        std::stable_sort(by_start.begin(), by_start.end(),
                         [](int32_t a, int32_t b) { return Sec(a).Pos1 < Sec(b).Pos1; });
        // smallest section number on top
        std::priority_queue<int32_t, std::vector<int32_t>, std::greater<int32_t>> open;
        std::size_t next = 0;
        first_.reserve(breaks_.size());
        for (const int32_t at : breaks_) {
            while (next < by_start.size() && Sec(by_start[next]).Pos1 <= at) open.push(by_start[next++]);
            while (!open.empty() && Sec(open.top()).Pos2 < at) open.pop();
            first_.push_back(open.empty() ? 0 : open.top());
        }
        for (int32_t i = 1; i <= n; ++i) {
            const SDF_Section& s = Sec(i);
            for (int16_t a = 1; a <= s.NodeCount; ++a) {
                const std::string& node = s.Nodes[static_cast<std::size_t>(a)];
                if (!node.empty()) last_at_node_[node] = i;
            }
        }
    }
    // 0 when none.
    int32_t At(int64_t pos) const {
        const auto it = std::upper_bound(breaks_.begin(), breaks_.end(), pos);
        if (it == breaks_.begin()) return 0;
        return first_[static_cast<std::size_t>(it - breaks_.begin() - 1)];
    }
    int32_t AtNode(const std::string& node) const {
        if (node.empty()) return 0;
        const auto it = last_at_node_.find(node);
        return it == last_at_node_.end() ? 0 : it->second;
    }

private:
    static const SDF_Section& Sec(int32_t i) { return SDF_Sections[static_cast<std::size_t>(i)]; }
    std::vector<int64_t> breaks_;
    std::vector<int32_t> first_;
    std::unordered_map<std::string, int32_t> last_at_node_;
};

// The collision's hectometre: km x 10 nudged up by 0.0001, rounded halves
// to even, all in single precision as the km is.
bool CollisionHm(const std::string& text, int64_t& hm) {
    double v = 0;
    if (TrimSpaces(text).empty() || !decimal::ParseDouble(text, v)) return false;
    const float km = static_cast<float>(v);
    const float x = km * 10.0f + 0.0001f;
    if (!std::isfinite(x) || std::fabs(x) > 1e9f) return false;
    hm = static_cast<int64_t>(std::nearbyint(x));
    return true;
}

}  // namespace

void SDF_Fields_to_CDE(const std::string& version, const std::string& cdeIn, const std::string& sdfFile,
                       const std::string& cdeOut, const std::string& fieldList) {
    MainForm& form = TheMainForm();
    auto status_line = [&](const std::string& mes) { form.ShowStatus(mes, true); };

    Scan_Init();
    const int16_t nfields = CSV_FieldCount(fieldList);
    std::vector<std::string> names;
    if (nfields > 0) {
        std::vector<std::string> parts(static_cast<std::size_t>(nfields) + 1);
        int16_t m = 0;
        CSV_Split(fieldList, parts, m);
        names.assign(parts.begin() + 1, parts.begin() + 1 + m);
        names.resize(static_cast<std::size_t>(nfields));
    }
    SDF_Set_AuxFields(names);
    SDF_Set_HMZversion(version);
    SDF_Set_File(sdfFile);

    int16_t st = 0;
    SDF_Read(st);
    if (st != 0) return;
    Load_Hwy_Seg_Table(version);
    if (Hwy_Seg_Count == 0) return;
    SDF_Set_hms_and_nodes(st);
    if (st != 0) return;
    int32_t overlaps = 0;
    SDF_Find_Overlaps(overlaps);
    if (overlaps < 0) return;  // cancelled
    if (overlaps > 0 &&
        ui::MsgBox(std::to_string(overlaps) + " overlaps found in file " + sdfFile + CRLF + "Do you want to continue?",
                   ui::vbYesNo + ui::vbExclamation, kTitle) == ui::vbNo)
        return;
    status_line("Processing CDE file");
    status_line("Header");

    const int16_t aux = SDF_AuxFields.AuxCount;
    std::string msg;
    InputFile in;
    OutputFile out;
    int32_t k = 1, written = 0, locn_nowhere = 0, clsn_nowhere = 0;
    [&] {
        if (!in.Open(cdeIn)) {
            msg = FileOpenErrorMsg("input", cdeIn, in.error());
            return;
        }
        if (!out.Open(cdeOut)) {
            msg = FileOpenErrorMsg("output", cdeOut, out.error());
            return;
        }
        std::string line;
        bool eof = false;
        Read_Line(in, line, eof);
        if (eof) {
            msg = "File " + cdeIn + CRLF + "is empty.";
            return;
        }
        std::vector<std::string> fields(kMaxHeadings + 1);
        int16_t heads = 0;
        CSV_Split(line, fields, heads);
        int16_t col_seg = 0, col_km = 0, col_node = 0;
        auto find_col = [&](const char* a, const char* b) -> int16_t {
            for (const char* name : {a, b})
                for (int16_t i = 1; i <= heads; ++i)
                    if (StripQuotes(fields[static_cast<std::size_t>(i)]) == name) return i;
            return 0;
        };
        col_seg = find_col("SEGNUM", "Segment Number");
        col_km = find_col("KMMARK", "Km Mark");
        col_node = find_col("NODE", "Node");
        if (col_seg == 0) {
            msg = "No 'SEGNUM' or 'Segment Number' field found in the heading record of " + cdeIn;
            return;
        }
        if (col_km == 0) {
            msg = "No 'KMMARK' or 'Km Mark' field found in the heading record of " + cdeIn;
            return;
        }
        if (col_node == 0) {
            msg = "No Node field found in the heading record of " + cdeIn;
            return;
        }
        std::string extra_heading;
        for (int16_t a = 1; a <= aux; ++a) extra_heading += "," + SDF_AuxFields.Names[static_cast<std::size_t>(a)];
        out.Write(line + extra_heading + CRLF);

        const SectionFinder finder;
        const std::string no_section(static_cast<std::size_t>(aux), ',');
        std::string prev_seg;
        int64_t prev_hm = 0;
        bool have_prev = false;
        int32_t idx = 0, section = 0;
        // blank lines only end the file; one with records after it is a short record
        int32_t blank_at = 0;
        // the window repaints every 1000 records; no other command can start meanwhile
        const sdf::OtherCommandsRefused guard;
        while (!eof) {
            Read_Line(in, line, eof);
            if (TrimSpaces(line).empty()) {
                if (blank_at == 0) blank_at = k + 1;
                continue;
            }
            if (blank_at > 0) {
                msg = "CDE file has " + std::to_string(heads) + " header fields but 0 fields on record " +
                      std::to_string(blank_at);
                return;
            }
            ++k;
            if (k % 1000 == 0) {
                form.ShowStatus("," + std::to_string(k), true, "");
                ui::DoEvents();
            }
            int16_t n = 0;
            CSV_Split(line, fields, n, true);
            if (n != heads) {
                msg = "CDE file has " + std::to_string(heads) + " header fields but " + std::to_string(n) +
                      " fields on record " + std::to_string(k);
                return;
            }
            for (int16_t i = 1; i <= n; ++i) {
                std::string& f = fields[static_cast<std::size_t>(i)];
                f = StripQuotes(f);
            }
            const std::string seg = Pad_Code4(fields[static_cast<std::size_t>(col_seg)]);
            const std::string& km_text = fields[static_cast<std::size_t>(col_km)];
            int64_t hm = 0;
            if (!CollisionHm(km_text, hm)) {
                msg = "Invalid km '" + km_text + "' on CDE record " + std::to_string(k);
                return;
            }
            if (!have_prev || seg != prev_seg || hm != prev_hm) {
                if (!have_prev || seg != prev_seg) {
                    idx = HwySet_Index(seg);
                    if (idx == 0) {
                        msg = "CDE Segment " + seg + " not found for HMZ version " + version;
                        return;
                    }
                }
                section = finder.At(static_cast<int64_t>(idx) * 10000 + hm);
                if (section == 0) section = finder.AtNode(Pad_Code8(fields[static_cast<std::size_t>(col_node)]));
                if (section == 0) {
                    ++locn_nowhere;
                    ++clsn_nowhere;
                    status_line("CDE record " + std::to_string(k) + " locn " + seg + " " + km_text +
                                " not in any section.");
                }
                prev_seg = seg;
                prev_hm = hm;
                have_prev = true;
            } else if (section == 0) {
                ++clsn_nowhere;
            }
            if (section == 0) {
                out.Write(line + no_section + CRLF);
            } else {
                std::string rec = line;
                const SDF_Section& s = SDF_Sections[static_cast<std::size_t>(section)];
                for (int16_t a = 1; a <= aux; ++a) rec += "," + s.AuxValues[static_cast<std::size_t>(a)];
                out.Write(rec + CRLF);
            }
            ++written;
        }
        in.Close();
        if (!out.Close()) msg = "Error writing file " + cdeOut;
    }();
    in.Close();
    if (!msg.empty()) {
        // an extract cut short would pass for the whole one
        out.Discard();
        status_line(msg);
        ui::MsgBox(msg, ui::vbExclamation, kTitle);
        return;
    }
    const std::string summary = std::string("Processing complete.") + CRLF + CRLF + std::to_string(SDF_Count()) +
                                " sections read from section file " + sdfFile + CRLF + std::to_string(k - 1) +
                                " CDE collision records read from " + cdeIn + CRLF + std::to_string(written) +
                                " CDE collision records written to " + cdeOut + CRLF + std::to_string(locn_nowhere) +
                                " CDE collision locations were not in any section." + CRLF +
                                std::to_string(clsn_nowhere) + " CDE collisions were not in any section.";
    status_line(summary);
    ui::MsgBox(summary, ui::vbInformation, kTitle);
}

namespace sdf {

void cmdAddSDFfields_Click(MainForm& form) {
    form.ShowStatus("", false);
    if (!form.GetCDEfilename()) return;
    const std::string name = TrimSpaces(form.CDE_SDF_file.Text());
    std::string sdf_full;
    if (!FolderPart(name).empty()) {
        if (!FileExists(name)) {
            ui::MsgBox("File: " + name + CRLF + "Not found.", ui::vbExclamation);
            form.CDE_SDF_file.SetFocus();
            return;
        }
        sdf_full = name;
    } else {
        std::string folder, file;
        if (!form.GetFileName(form.CDE_folder, form.CDE_SDF_file, folder, file, sdf_full)) return;
    }
    const std::string fields = TrimSpaces(form.CDE_SDF_fields.Text());
    if (fields.empty()) {
        ui::MsgBox("Specify the names of fields to copy from SDF to CDE. (Comma-separated)", ui::vbExclamation);
        form.CDE_SDF_fields.SetFocus();
        return;
    }
    std::string out_full, version;
    if (!Check_outCDE_file(form, "Enter the HMZ version used in the CDE and SDF files, in form YYYYMM.", out_full,
                           version))
        return;
    // the new extract must not take the place of the section file it reads
    if (collisions::SameFile(out_full, sdf_full)) {
        ui::MsgBox("The output file " + out_full + CRLF + "is the SDF file itself.", ui::vbExclamation);
        form.outCDE_file.SetFocus();
        return;
    }
    ui::Hourglass wait;
    SDF_Fields_to_CDE(version, form.cde_fullname, sdf_full, out_full, fields);
}

}  // namespace sdf
