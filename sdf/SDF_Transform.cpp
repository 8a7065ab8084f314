#include "sdf/SDF_Transform.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/DecimalFormat.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/Hemzshifts8.h"
#include "platform/ui/forms.h"
#include "platform/ui/ui.h"
#include "sdf/SDF_Utils.h"

namespace {

constexpr const char* CRLF = "\r\n";
constexpr const char* kTitle = "SDF_Transform";

// A km field, unquoted; "" when it reads as a number, else the reader's message.
std::string KmField(const std::string& field, const char* which, int32_t record, float& km) {
    const std::string text = StripQuotes(field);
    if (text.empty()) return std::string("Missing ") + which + " on record " + std::to_string(record);
    double v = 0;
    if (!decimal::ParseDouble(text, v)) return std::string("Invalid ") + which + " on record " + std::to_string(record);
    km = static_cast<float>(v);
    return "";
}

bool Unplaced(const std::string& seg) {
    return seg == "OFF " || seg == "ERR ";
}

}  // namespace

int32_t Ntrans_Of(const std::string& seg1, const std::string& seg2, int32_t steps1, int32_t steps2, bool split1,
                  bool split2) {
    if (Unplaced(seg1) || Unplaced(seg2)) return -1;
    if (split1 || split2) return -2;
    return std::max(steps1, steps2);
}

void SDF_Transform(const std::string& target, int16_t ndp) {
    MainForm& form = TheMainForm();
    auto status_line = [&](const std::string& mes) { form.ShowStatus(mes, true); };
    int32_t records = 0, written = 0, transformed = 0, off = 0, split_count = 0;

    InputFile in;
    int16_t st = 0;
    SDF_Open(in, st);
    if (st != 0) return;
    SDF_AuxFields = SDF_AuxFieldSet{};

    const std::string out_name = AddBackslash(SDF_OutFolder) + FileBaseName(SDF_Path) + "_HMZ" + target + ".csv";
    status_line("Opening output file " + out_name);
    OutputFile out;
    if (!out.Open(out_name)) {
        ui::MsgBox("Can't open file " + out_name + CRLF + "If you have it open, close it and try again.",
                   ui::vbExclamation, kTitle);
        return;
    }
    // the translation data folder stands for the library's own choice
    Hemzshift_InitDLL(ndp, "", Data_Folder(DataKind::Translation));

    const SDF_ColumnSet c = SDF_Columns;
    std::string heading = "Seg1,Km1,Seg2,Km2,Ntrans";
    for (int16_t i = 1; i <= SDF_HeadingCount; ++i) {
        const bool loc = i == c.ColSeg1 || i == c.ColSeg2 || i == c.ColKm1 || i == c.ColKm2;
        heading += std::string(",") + (loc ? "old_" : "") + SDF_HeadingTexts[static_cast<std::size_t>(i)];
    }
    out.Write(heading + CRLF);
    status_line("Beginning transform to HMZ version " + target + " ");
    form.lblSDFprogress.SetCaption("");

    SDF_Cancel = false;
    bool cancelled = false;
    std::string stop;  // a record the run cannot go on from
    std::vector<std::string> fields(kSDF_MaxFields + 1);
    const OnlyCancelActs guard;
    auto field = [&](int16_t col) -> const std::string& {
        return fields[static_cast<std::size_t>(std::clamp<int16_t>(col, 0, kSDF_MaxFields))];
    };
    std::string line;
    bool eof = false;
    while (!eof) {
        Read_Line(in, line, eof);
        if (TrimSpaces(line).empty()) continue;
        ++records;
        int16_t n = 0;
        CSV_Split(line, fields, n, true);
        fields[0].clear();
        const std::string seg1 = Pad_Code4(StripQuotes(field(c.ColSeg1)));
        const std::string seg2 = Pad_Code4(StripQuotes(field(c.ColSeg2)));
        float km1 = 0, km2 = 0;
        stop = KmField(field(c.ColKm1), "km1", records, km1);
        if (stop.empty()) stop = KmField(field(c.ColKm2), "km2", records, km2);
        if (!stop.empty()) break;

        std::string t1, t2;
        float tk1 = 0, tk2 = 0;
        bool obs = false, split1 = false, split2 = false;
        int32_t steps1 = 0, steps2 = 0;
        Hemzshift_ToVersion("", seg1, " ", km1, target, t1, tk1, obs, steps1, split1);
        Hemzshift_ToVersion("", seg2, " ", km2, target, t2, tk2, obs, steps2, split2);
        const int32_t ntrans = Ntrans_Of(t1, t2, steps1, steps2, split1, split2);
        if (ntrans == -1) {
            ++off;
            if (t1 == "ERR " || t2 == "ERR ")
                status_line("Record " + std::to_string(records) + ": " +
                            (t1 == "ERR " ? seg1 + " " + Format_Km(km1, ndp) : seg2 + " " + Format_Km(km2, ndp)) +
                            " could not be translated (ERR)");
        } else if (ntrans == -2) {
            ++split_count;
        }
        if (ntrans > 0 && t1 == t2 && tk2 < tk1) std::swap(tk1, tk2);
        if (ntrans > 0) ++transformed;
        out.Write(t1 + "," + Format_Km(tk1, ndp) + "," + t2 + "," + Format_Km(tk2, ndp) + "," +
                  std::to_string(ntrans) + "," + line + CRLF);
        ++written;
        if (records % 50 == 0) {
            form.ShowStatus("," + std::to_string(records), true, "");
            form.lblSDFprogress.SetCaption(std::to_string(records));
            form.lblSDFprogress.Refresh();
            ui::DoEvents();
            if (SDF_Cancel) {
                status_line("Processing CANCELLED");
                cancelled = true;
                break;
            }
        }
    }
    in.Close();
    form.lblSDFprogress.SetCaption("");
    if (!stop.empty()) {
        // a half-translated file would pass for a whole one
        out.Discard();
        status_line(stop);
        status_line("No output file written.");
        ui::MsgBox(stop + CRLF + "No output file written.", ui::vbExclamation, kTitle);
        return;
    }
    if (!out.Close()) {
        const std::string msg = "Error writing file " + out_name;
        status_line(msg);
        ui::MsgBox(msg, ui::vbExclamation, kTitle);
        return;
    }
    std::string summary = std::to_string(written) + " sections written to file " + out_name + CRLF +
                          std::to_string(transformed) + " sections transformed";
    if (transformed > 0) summary += " (flagged with Ntrans > 0)";
    if (off > 0) summary += CRLF + std::to_string(off) + " sections not in the target HMZ (flagged with Ntrans = -1)";
    if (split_count > 0)
        summary += CRLF + std::to_string(split_count) + " sections had a segment split (flagged with Ntrans = -2)";
    status_line(summary);
    ui::MsgBox(cancelled ? "Processing CANCELLED" + std::string(CRLF) + summary : summary, ui::vbInformation, kTitle);
}
