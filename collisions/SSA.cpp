#include "collisions/SSA.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "app/MainForm.h"
#include "collisions/CDEtoExcel.h"
#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/HMZ_util_noDB.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* CRLF = "\r\n";

void Show(const std::string& mes, bool append = true) {
    TheMainForm().ShowStatus(mes, append, CRLF);
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string Trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// A line split into fields 1..n; fields past n read as empty.
struct Fields {
    std::vector<std::string> arr;
    int16_t n = 0;
    explicit Fields(int16_t most) : arr(static_cast<size_t>(most) + 1) {}
    void Split(const std::string& line) { CSV_Split(line, arr, n); }
    std::string operator()(int i) const { return i <= n ? arr[static_cast<size_t>(i)] : std::string(); }
    std::string Bare(int i) const { return Trimmed(StripQuotes((*this)(i))); }
};

// Opens both files with the shared checks; false after saying why.
bool OpenBoth(const std::string& inFile, const std::string& outFile, InputFile& in, OutputFile& out,
              const char* title) {
    Scan_Init();
    Set_CSV_Quote("\"");
    Set_CSV_Separator(",");
    if (!FileExists(inFile)) {
        ui::MsgBox("File " + inFile + CRLF + "not found.", ui::vbExclamation);
        return false;
    }
    if (collisions::SameFile(inFile, outFile)) {
        ui::MsgBox("The output file " + outFile + CRLF + "is the input file itself. Nothing was written.",
                   ui::vbExclamation, title);
        return false;
    }
    auto open_error = [](const std::string& name, int err) {
        const tessawin::ErrorInfo e = tessawin::ErrorFromErrno(err);
        ui::MsgBox("Error " + std::to_string(e.number) + " trying to open file " + name + CRLF + e.description,
                   ui::vbExclamation);
    };
    if (!in.Open(inFile)) {
        open_error(inFile, in.error());
        return false;
    }
    if (!out.Open(outFile)) {
        open_error(outFile, out.error());
        return false;
    }
    return true;
}

// Finishes the output; false (after saying so) when it could not be written.
bool CloseOut(OutputFile& out, const char* title) {
    if (out.Close()) return true;
    ui::MsgBox(FileOpenErrorMsg("output", out.path(), out.error()), ui::vbExclamation, title);
    return false;
}

// Shared start of the two buttons: the checks and the output name; "" when
// the command stops.
std::string CheckedOutput(MainForm& form, const std::string& suffix) {
    form.ShowStatus("", false);
    if (!form.GetFileName(form.SSA_Folder, form.SSA_File, form.ssa_folder, form.ssa_file, form.ssa_fullname))
        return "";
    std::string out;
    if (!form.Check_OutFolder(out)) return "";
    if (Upper(AddBackslash(out)) != Upper(AddBackslash(form.ssa_folder))) {
        if (ui::MsgBox("The output folder is not the same as the input folder.", ui::vbOKCancel + ui::vbExclamation,
                       "Warning") == ui::vbCancel)
            return "";
    }
    return AddBackslash(out) + RemoveExtension(form.ssa_file) + suffix;
}

// A record's field that must be a number: false after naming the record and
// field.
bool NumberField(const Fields& f, int field, int64_t record, bool whole, bool emptyIsZero, double& value,
                 const char* title) {
    const std::string text = f.Bare(field);
    if (text.empty() && emptyIsZero) {
        value = 0;
        return true;
    }
    double v = 0;
    if (!text.empty() && decimal::ParseDouble(text, v) && std::isfinite(v) &&
        (!whole || (std::fabs(v) < 9.0e15 && v == std::nearbyint(v)))) {
        value = v;
        return true;
    }
    ui::MsgBox("Error in SSA data record " + std::to_string(record) + ": field " + std::to_string(field) + " (\"" +
                   f(field) + "\") is not " + (whole ? "a whole number." : "a number.") + CRLF +
                   "Nothing was written.",
               ui::vbExclamation, title);
    return false;
}

}  // namespace

std::string SSA_HighwayOfSeg(const std::string& segment) {
    return SAV_Highway(Pad_Code4(segment));
}

void cmdReformat_Orvel_Click(MainForm& form) {
    const std::string out = CheckedOutput(form, "_Orvel.csv");
    if (out.empty()) return;
    ui::Hourglass wait;
    SSA_Reformat(form.ssa_fullname, out);
}

void cmdCombineLocations_Click(MainForm& form) {
    const std::string out = CheckedOutput(form, "_COMBINED.csv");
    if (out.empty()) return;
    ui::Hourglass wait;
    SSA_CombineLocations(form.ssa_fullname, out);
}

void cmdSSA_Help1_Click(MainForm&) {
    const std::string help = AppFolder + "Process_for_creating_Combined_CPL_Stats.pdf";
    if (Help_File_Found(help)) shell::OpenDocument(help);
}

void SSA_Reformat(const std::string& inFile, const std::string& outFile) {
    constexpr const char* kTitle = "SSA_Reformat";
    InputFile in;
    OutputFile out;
    if (!OpenBoth(inFile, outFile, in, out, kTitle)) return;
    int64_t written = 0;
    std::string line;
    bool eof = false, heading = false;
    while (!eof) {
        Read_Line(in, line, eof);
        if (line.compare(0, 8, "GroupID,") == 0) {
            heading = true;
            break;
        }
        if (eof && line.empty()) break;
        if (collisions::IsBlankLine(line)) {
            out.Write("\"Column selection, re-ordering and Highway lookup done by Tessawin \"" +
                      collisions::NowGeneralDate() + CRLF);
            ++written;
        }
        out.Write(line + CRLF);
        ++written;
    }
    if (!heading) {
        out.Discard();
        ui::MsgBox("No SSA headings record found in file " + inFile, ui::vbExclamation, kTitle);
        return;
    }
    out.Write(std::string("SecID,Year,Highway,Seg1,Km1,Km2,Length,ADT,Volume,#Clsn,Fat#Clsn,Fat#Fat,Inj#Clsn,"
                          "PDO#Clsn,#Veh,Rate,RW Rate,SW Rate,ASR,PSM,Class,Terrain") +
              CRLF);
    ++written;
    Show("Reformatting...");
    Fields f(50);
    while (!eof) {
        Read_Line(in, line, eof);
        if (line.compare(0, 8, "========") == 0) break;
        if (collisions::IsBlankLine(line)) continue;  // not a record
        f.Split(line);
        const std::string cls = f(16);
        std::string t = f(1) + "," + f(13).substr(0, 4) + "," + SSA_HighwayOfSeg(f.Bare(7));
        for (int i : {7, 6, 8, 12, 18, 20, 25, 27, 28, 30, 32, 26, 21, 22, 23, 24}) t += "," + f(i);
        t += "," + cls.substr(0, 1) + "," + (cls.size() > 1 ? cls.substr(1, 4) : "") + "," +
             (cls.empty() ? "" : cls.substr(cls.size() - 1));
        out.Write(t + CRLF);
        ++written;
    }
    in.Close();
    if (!CloseOut(out, kTitle)) return;
    Show("Complete. " + std::to_string(written) + " records written to " + outFile);
}

void SSA_CombineLocations(const std::string& inFile, const std::string& outFile) {
    constexpr const char* kTitle = "SSA_CombineLocations";
    InputFile in;
    OutputFile out;
    if (!OpenBoth(inFile, outFile, in, out, kTitle)) return;
    out.Write("Location data combined by GroupID from SSA file: " + inFile + CRLF);
    out.Write("by Tessawin Version " + VersionText() + " routine SSA_CombineLocations at " +
              collisions::NowGeneralDate() + CRLF);
    static const char* const kHeadings[39] = {
        "Group ID", "Reg", "Dist", "Area", "Hwy", "Seg", "Km", "Description", "Composite Index ",
        "Composite Index Rank", "SWAR Ratio", "SWAR Ratio Rank", "Node", "Loc Type", "Lmk Type", "AveRate", "CSR",
        "Class", "ADT", "Volume (5 yrs)", "#Clsn", "#Veh", "Fat #Clsn", "Fat #Fat", "Fat #Inj", "Inj #Clsn",
        "Inj #Inj", "PDO #Clsn", "Rate Ratio", "RW Rate Ratio", "SW Rate Ratio", "Crit Rate Calc", "RW Crit Rate",
        "SW Crit Rate", "Rate", "RW Rate", "RW Ave Rate", "SW Rate", "SW Ave Rate"};
    std::string head = kHeadings[0];
    for (int i = 1; i < 39; ++i) head += std::string(",") + kHeadings[i];
    out.Write(head + CRLF);
    int64_t written = 3;

    std::string line;
    bool eof = false, heading = false;
    while (!eof) {
        Read_Line(in, line, eof);
        if (line.compare(0, 8, "GroupID,") == 0) {
            heading = true;
            break;
        }
    }
    if (!heading) {
        out.Discard();
        ui::MsgBox("No SSA headings record found in file " + inFile, ui::vbExclamation, kTitle);
        return;
    }

    // The group being gathered.
    struct Group {
        bool open = false;
        std::string id, cls;
        std::string col[40];  // 1..39
        std::vector<std::string> segs, kms, hwys, keys;
        int64_t counts[8] = {};  // fields 25..32
        int64_t adt = 0, volume = 0;
        double rwSum = 0;
        double ave[3] = {};      // fields 36, 38, 40
        bool hasAve[3] = {};
        bool classWarning = false;
    } g;
    int64_t records = 0, groups = 0;

    auto complete = [&] {
        if (!g.open) return;
        auto join = [](const std::vector<std::string>& v, const std::string& first) {
            std::string s = first;
            for (size_t i = 0; i < v.size(); ++i) s += (i ? "/" : "") + v[i];
            return s;
        };
        g.col[5] = join(g.hwys, " ");
        g.col[6] = join(g.segs, "");
        g.col[7] = join(g.kms, "");
        g.col[18] = g.cls;
        for (int i = 0; i < 8; ++i) g.col[21 + i] = std::to_string(g.counts[i]);
        g.col[19] = std::to_string(g.adt);
        g.col[20] = std::to_string(g.volume);
        const double N = static_cast<double>(g.counts[0]);
        const double F = static_cast<double>(g.counts[2]);
        const double I = static_cast<double>(g.counts[5]);
        const double P = static_cast<double>(g.counts[7]);
        const double weighted = 100 * F + 10 * I + P;
        const double csr = F + I + P >= 1 ? weighted / (F + I + P) : 0;
        double rate[3] = {}, crit[3] = {}, ratio[3] = {};
        if (g.volume != 0) {
            const double V = static_cast<double>(g.volume);
            const double M = V / 1000000.0;
            rate[0] = 1000000.0 * N / V;
            rate[1] = g.rwSum / V;
            rate[2] = 1000000.0 * weighted / V;
            for (int k = 0; k < 3; ++k) {
                if (!g.hasAve[k]) continue;
                const double A = g.ave[k];
                crit[k] = A + 3.09 * std::sqrt(A / M) + 0.5 / M;
                ratio[k] = crit[k] != 0 ? rate[k] / crit[k] : 0;
            }
        }
        g.col[17] = decimal::Format(csr, "##0.00");
        for (int k = 0; k < 3; ++k) {
            g.col[29 + k] = decimal::Format(ratio[k], "##0.000");
            g.col[32 + k] = decimal::Format(crit[k], "##0.00");
        }
        g.col[35] = decimal::Format(rate[0], "##0.00");
        g.col[36] = decimal::Format(rate[1], "##0.00");
        g.col[38] = decimal::Format(rate[2], "##0.00");
        std::string t = g.col[1];
        for (int i = 2; i <= 39; ++i) t += "," + g.col[i];
        out.Write(t + CRLF);
        ++written;
        ++groups;
        if (g.classWarning) Show("** Inconsistent HwyClass in group " + g.id);
        g = Group();
    };

    auto too_large = [&](int field, const char* heading) {
        ui::MsgBox("Error in SSA data record " + std::to_string(records) + ": the sum of field " +
                       std::to_string(field) + " (" + heading + ") of group " + g.id + " is too large." + CRLF +
                       "Nothing was written.",
                   ui::vbExclamation, kTitle);
        return false;
    };
    // Adds a record's value to its group's sum; false after naming the
    // group when the sum does not fit.
    auto add = [&](int64_t& sum, double v, int field, const char* heading) {
        int64_t next = 0;
        if (__builtin_add_overflow(sum, static_cast<int64_t>(v), &next)) return too_large(field, heading);
        sum = next;
        return true;
    };
    static const char* const kCountHeadings[8] = {"#Clsn",     "#Veh",      "Fat #Clsn", "Fat #Fat",
                                                  "Fat #Inj",  "Inj #Clsn", "Inj #Inj",  "PDO #Clsn"};

    Fields f(45);
    while (!eof) {
        Read_Line(in, line, eof);
        if (line.compare(0, 4, "====") == 0) break;
        if (collisions::IsBlankLine(line)) continue;  // not a record
        ++records;
        f.Split(line);
        if (g.open && f(1) != g.id) complete();
        if (!g.open) {
            g.open = true;
            g.id = f(1);
            for (int i : {1, 2, 3, 4}) g.col[i] = f(i);
            g.col[8] = f(45);
            g.col[15] = f(42);
            g.col[16] = f(36);
            g.col[37] = f(38);
            g.col[39] = f(40);
            g.cls = f(16);
            const int aveField[3] = {36, 38, 40};
            for (int k = 0; k < 3; ++k) {
                g.hasAve[k] = !f.Bare(aveField[k]).empty();
                if (g.hasAve[k] && !NumberField(f, aveField[k], records, false, false, g.ave[k], kTitle)) {
                    out.Discard();
                    return;
                }
            }
        }
        // segments compared whole: "123" is not "0123"
        const std::string key = Pad_Code4(f.Bare(5));
        bool known = false;
        for (const std::string& k : g.keys) known = known || k == key;
        if (!known) {
            g.keys.push_back(key);
            g.segs.push_back(f(5));
            g.kms.push_back(f(6));
            g.hwys.push_back(SSA_HighwayOfSeg(f.Bare(5)));
        }
        if (f(16) != g.cls) g.classWarning = true;
        double v = 0;
        for (int i = 0; i < 8; ++i) {
            if (!NumberField(f, 25 + i, records, true, false, v, kTitle) ||
                !add(g.counts[i], v, 25 + i, kCountHeadings[i])) {
                out.Discard();
                return;
            }
        }
        if (!NumberField(f, 18, records, true, false, v, kTitle) || !add(g.adt, v, 18, "ADT")) {
            out.Discard();
            return;
        }
        double volume = 0, rw = 0;
        if (!NumberField(f, 20, records, true, true, volume, kTitle) ||
            !NumberField(f, 22, records, false, true, rw, kTitle) || !add(g.volume, volume, 20, "Volume (5 yrs)")) {
            out.Discard();
            return;
        }
        g.rwSum += rw * volume;
        if (!std::isfinite(g.rwSum)) {
            too_large(22, "RW Rate");
            out.Discard();
            return;
        }
    }
    complete();
    in.Close();
    if (!CloseOut(out, kTitle)) return;
    Show("Complete. " + std::to_string(written) + " records written to " + outFile);
    Show(std::to_string(records) + " SSA data records read.");
    Show(std::to_string(groups) + " combined group data records written.");
}
