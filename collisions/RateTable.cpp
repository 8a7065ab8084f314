#include "collisions/RateTable.h"

#include <cfloat>
#include <chrono>
#include <cmath>
#include <optional>

#include "app/MainForm.h"
#include "collisions/collision_util.h"
#include "common/Brellinlib.h"
#include "common/DecimalFormat.h"
#include "common/FormSettings.h"
#include "common/TessawinMod.h"
#include "common/winlib_Excel.h"
#include "platform/office/spreadsheet.h"
#include "platform/settings/settings.h"
#include "platform/ui/forms.h"
#include "platform/ui/ui.h"

namespace {

constexpr const char* CRLF = "\r\n";

// Codes of the class sets of the current run, by set and position (1-based).
std::vector<std::vector<std::string>> ClassSetCodes;
std::vector<int16_t> ClassSetCodeCount;

struct RateCell {
    int64_t fatal = 0, injury = 0, pdo = 0, clsn = 0;
    double exposure = 0;
    float km = 0;
    int64_t lines = 0;
};

void Status(const std::string& mes, bool append = true) {
    TheMainForm().ShowStatus(mes, append, CRLF);
}

bool BeginsWith(const std::string& line, const std::string& text) {
    return line.size() >= text.size() && line.compare(0, text.size(), text) == 0;
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string Without(const std::string& s, char c) {
    std::string r;
    for (char x : s)
        if (x != c) r += x;
    return r;
}

// A whole number of a report field (quotes stripped); none for anything else.
std::optional<int64_t> Whole(const std::string& field) {
    double v = 0;
    if (!decimal::ParseDouble(StripQuotes(field), v) || v != std::floor(v) || std::fabs(v) > 9.0e15)
        return std::nullopt;
    return static_cast<int64_t>(v);
}

std::optional<std::chrono::sys_days> DateOf(const std::string& text) {
    int16_t y = 0, m = 0, d = 0;
    if (!Parse_Date_YMD(text, y, m, d)) return std::nullopt;
    const std::chrono::year_month_day ymd{std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(m)},
                                          std::chrono::day{static_cast<unsigned>(d)}};
    if (!ymd.ok()) return std::nullopt;
    return std::chrono::sys_days{ymd};
}

std::string DateText(std::chrono::sys_days d) {
    const std::chrono::year_month_day ymd{d};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()));
    return buf;
}

// How a run ends early: "Error: " and the message in the status box and a box.
struct ErrorEnding {
    std::string message;
};

}  // namespace

std::string HwyClassCode(const std::string& description) {
    static const std::pair<const char*, const char*> steps[] = {
        {"Primary", "P"},    {"Secondary", "S"},  {"Major", "M"},     {"Urban", "U"},
        {"Rural", "R"},      {"Unknown", "X"},    {"Arterial", "A"},  {"Expressway", "E"},
        {"Freeway", "F"},    {"Divided", "D"},    {"Undivided", "U"}, {"Up to 3 Lanes", "2"},
        {"4 or more Lanes", "4"}, {"Level", "L"}, {"Rolling", "R"},   {"Mountainous", "M"},
        {"+", ""},
    };
    std::string s = description;
    for (const auto& [find, repl] : steps) {
        std::string r;
        Replace_Str(s, find, repl, r);
        s = r;
    }
    return s;
}

bool ClassInClassSet(int16_t n, const std::string& code) {
    const size_t L = TrimSpaces(code).size();
    if (L == 0) return false;
    if (n < 1 || static_cast<size_t>(n) >= ClassSetCodeCount.size()) return false;
    const size_t M = std::min<size_t>(
        {L, static_cast<size_t>(std::max<int16_t>(ClassSetCodeCount[n], 0)), static_cast<size_t>(ratetable::kMaxCodes)});
    for (size_t m = 1; m <= M; ++m) {
        const char c = m <= code.size() ? code[m - 1] : ' ';
        const std::string& p = ClassSetCodes[static_cast<size_t>(n)][m];
        if (c != ' ' && p != "*" && p.find(c) == std::string::npos) return false;
    }
    return true;
}

std::string SkipToLine(InputFile& file, const std::string& text) {
    std::string line;
    bool eof = false;
    for (;;) {
        if (BeginsWith(line, text)) return line;
        Read_Line(file, line, eof);
        if (eof) {
            ui::MsgBox(text + " - not found in input file.", ui::vbExclamation, "ClassRate");
            return "";
        }
    }
}

namespace ratetable {
void SetClassSets(const std::vector<std::string>& sets) {
    const size_t K = sets.empty() ? 0 : sets.size() - 1;
    ClassSetCodes.assign(K + 1, std::vector<std::string>(kMaxCodes + 1));
    ClassSetCodeCount.assign(K + 1, 0);
    Set_Scan_Blanks(" \t");
    for (size_t k = 1; k <= K; ++k) {
        const std::string set = Without(sets[k], '"');
        const int16_t n = Word_Count(set);
        ClassSetCodeCount[k] = n;
        for (int16_t m = 1; m <= std::min<int16_t>(n, kMaxCodes); ++m)
            ClassSetCodes[k][static_cast<size_t>(m)] = Nth_Word(set, m);
    }
}
}  // namespace ratetable

void ClassRate_to_RateTable(const std::string& report, const std::string& output, const std::vector<std::string>& sets_in,
                            const std::vector<int32_t>& lows_in, const std::vector<int32_t>& highs_in) {
    InputFile in;
    int32_t written = 0;
    bool complete = false;
    auto closing = [&] {
        Status(std::to_string(written) + " records written to " + output);
        in.Close();
        if (complete &&
            ui::MsgBox("File " + output + " is ready." + CRLF + CRLF + "Open in Excel?", ui::vbYesNo, "ClassRate") ==
                ui::vbYes) {
            try {
                Excel_OpenWorkbook(output);
            } catch (const office::Error& e) {
                ui::MsgBox(e.description(), ui::vbExclamation, "ClassRate");
            }
        }
    };

    // The report's own lists are read with these settings, whatever an
    // earlier command left.
    Set_CSV_Quote("\"");
    Set_CSV_Separator(",");

    if (collisions::SameFile(report, output)) {
        ui::MsgBox("The output file " + output + CRLF + "is the input file." + CRLF + "Nothing was written.",
                   ui::vbExclamation, "RateTable");
        return closing();
    }
    if (!in.Open(report)) {
        ui::MsgBox(FileOpenErrorMsg("input", report, in.error()), ui::vbExclamation, "Rate Table");
        return closing();
    }
    Status("Opened input file.", false);

    try {
        std::string line = SkipToLine(in, "Report Title:");
        if (line.empty()) return closing();
        const std::string title = line.substr(std::min<size_t>(14, line.size()));
        line = SkipToLine(in, "Run time:");
        if (line.empty()) return closing();
        const std::string runTime = line.substr(std::min<size_t>(10, line.size()));
        line = SkipToLine(in, "Subset:");
        if (line.empty()) return closing();
        const std::string subset = line.substr(std::min<size_t>(8, line.size()));

        // Class sets.
        std::vector<std::string> sets = sets_in;
        if (Safe_UBound(sets) < 1) {
            sets.assign(1, "");
            Status("Extracting Class Sets.");
            if (SkipToLine(in, "Highway Classifications Sets:").empty()) return closing();
            bool eof = false;
            Read_Line(in, line, eof);
            for (;;) {
                const std::string field = StripQuotes(CSV_Field(line, 1));
                if (field.empty()) break;
                if (eof) throw ErrorEnding{"Unexpected end-of-file while reading class-sets"};
                sets.push_back(HwyClassCode(field));
                Read_Line(in, line, eof);
            }
        }
        const size_t K = sets.size() - 1;
        std::string shown = "Class Sets found in csv file:";
        for (size_t k = 1; k <= K; ++k) shown += CRLF + sets[k];
        if (ui::MsgBox(shown, ui::vbInformation + ui::vbOKCancel, "ClassRate_to_RateTable") == ui::vbCancel)
            throw ErrorEnding{"Process cancelled by user."};

        // Volume ranges.
        std::vector<int32_t> lows = lows_in, highs = highs_in;
        if (Safe_UBound(lows) < 1) {
            lows.assign(1, 0);
            highs.assign(1, 0);
            Status("Extracting Volume ranges.");
            if (SkipToLine(in, "Traffic Volume Ranges:").empty()) return closing();
            bool eof = false;
            Read_Line(in, line, eof);
            for (;;) {
                if (StripQuotes(CSV_Field(line, 1)).empty()) break;
                if (eof) throw ErrorEnding{"Unexpected end-of-file while reading volume ranges"};
                Set_Scan_Blanks(" -,");
                const std::string bare = Without(line, '"');
                int16_t col = 1, s1 = 0, s2 = 0;
                int32_t lo = 0, hi = 0;
                SCAN_I4(bare, lo, 12, col, s1);
                SCAN_I4(bare, hi, 12, col, s2);
                if (s1 != 0 || s2 != 0) throw ErrorEnding{"Error reading a volume range from:" + std::string(CRLF) + line};
                lows.push_back(lo);
                highs.push_back(hi);
                Read_Line(in, line, eof);
            }
        }
        if (highs.size() < lows.size()) highs.resize(lows.size(), 0);
        const size_t V = lows.size() - 1;
        shown = "Volume Ranges found in csv file:";
        for (size_t v = 1; v <= V; ++v) shown += CRLF + std::to_string(lows[v]) + " - " + std::to_string(highs[v]);
        shown += std::string(CRLF) + CRLF +
                 "Check this list: the Class-Rate report of VRQ is known to leave volume ranges out of it.";
        if (ui::MsgBox(shown, ui::vbInformation + ui::vbOKCancel, "ClassRate_to_RateTable") == ui::vbCancel)
            throw ErrorEnding{"Process cancelled by user."};

        // Collision period and report type.
        in.Close();
        if (!in.Open(report)) {
            ui::MsgBox(FileOpenErrorMsg("input", report, in.error()), ui::vbExclamation, "Rate Table");
            return closing();
        }
        Status("Re-opened input file.");
        Status("Extracting collision date range.");
        std::optional<std::chrono::sys_days> first, last;
        bool perLocation = false;
        {
            bool eof = false;
            while (!eof) {
                Read_Line(in, line, eof);
                if (BeginsWith(line, "Collision Period From:")) {
                    first = DateOf(line.size() > 23 ? line.substr(23, 10) : "");
                } else if (BeginsWith(line, "Collision Period To:")) {
                    last = DateOf(line.size() > 21 ? line.substr(21, 10) : "");
                } else if (BeginsWith(line, "Sections:")) {
                    perLocation = false;
                } else if (BeginsWith(line, "Locations:")) {
                    perLocation = true;
                }
            }
        }
        const std::string type = perLocation ? "Location" : "Section";
        Status("Type: " + type);
        if (!first || !last)
            throw ErrorEnding{"Collision date range not found in input file" + std::string(CRLF) + line};
        const int64_t days = (*last - *first).count() + 1;
        Status(DateText(*first) + DateText(*last) + std::to_string(days) + " days");
        if (days < 1) throw ErrorEnding{"The collision period ends before it begins."};

        // Class-set tables; a run needs at least one set and one range.
        if (K == 0) throw ErrorEnding{"No class sets to make a rate table for."};
        if (V == 0) throw ErrorEnding{"No volume ranges to make a rate table for."};
        ratetable::SetClassSets(sets);
        for (size_t k = 1; k <= K; ++k)
            if (ClassSetCodeCount[k] > ratetable::kMaxCodes)
                throw ErrorEnding{"The class set " + sets[k] + " has more than 6 codes."};

        // Data lines.
        in.Close();
        if (!in.Open(report)) {
            ui::MsgBox(FileOpenErrorMsg("input", report, in.error()), ui::vbExclamation, "Rate Table");
            return closing();
        }
        Status("Re-opened input file.");
        if (SkipToLine(in, "Region,District").empty()) return closing();
        std::vector<std::vector<RateCell>> cells(K + 1, std::vector<RateCell>(V + 1));
        Status("Reading class-rate data");
        int32_t nin = 0;
        std::vector<std::string> fields(21);
        for (;;) {
            if (in.AtEnd()) {
                ui::MsgBox("Unexpected end of file encountered reading class-rate data", ui::vbExclamation,
                           "ClassRate");
                break;
            }
            bool eof = false;
            Read_Line(in, line, eof);
            if (BeginsWith(line, "========")) break;
            if (collisions::IsBlankLine(line)) continue;
            ++nin;
            int16_t n = 0;
            CSV_Split(line, fields, n);
            auto field = [&](int16_t col) { return col <= n ? fields[static_cast<size_t>(col)] : std::string(); };
            auto number = [&](int16_t col, const char* what) {
                const std::optional<int64_t> v = Whole(field(col));
                if (!v || *v < INT32_MIN || *v > INT32_MAX)
                    throw ErrorEnding{"Data line " + std::to_string(nin) + ", field " + std::to_string(col) + " (" +
                                      what + "): \"" + field(col) + "\" is not a whole number." + CRLF + line};
                return *v;
            };
            const std::string cls = StripQuotes(field(8));
            const int64_t adt = number(9, "ADT");
            const int64_t fat = number(10, "fatal collisions");
            const int64_t inj = number(11, "injury collisions");
            const int64_t pdo = number(12, "PDO collisions");
            const int64_t all = number(13, "all collisions");
            float length = 0;
            if (!perLocation) {
                double len = 0;
                if (!decimal::ParseDouble(StripQuotes(field(7)), len) || !(std::fabs(len) <= FLT_MAX))
                    throw ErrorEnding{"Data line " + std::to_string(nin) + ", field 7 (length): \"" + field(7) +
                                      "\" is not a number." + CRLF + line};
                length = static_cast<float>(len);
            }
            // ADT times days is a 32-bit product; computed in 64 bits to see one beyond it
            const int64_t adtDays = adt * days;
            if (adtDays < INT32_MIN || adtDays > INT32_MAX)
                throw ErrorEnding{"Data line " + std::to_string(nin) + ": ADT " + std::to_string(adt) + " times " +
                                  std::to_string(days) + " days is beyond the 32-bit range." + CRLF + line};
            const double vehicles = static_cast<double>(adtDays);
            const double exposure = perLocation ? vehicles : static_cast<double>(length) * vehicles;
            for (size_t k = 1; k <= K; ++k) {
                if (!ClassInClassSet(static_cast<int16_t>(k), cls)) continue;
                for (size_t v = 1; v <= V; ++v) {
                    if (adt < lows[v] || adt > highs[v]) continue;
                    RateCell& c = cells[k][v];
                    // the counts are 32-bit sums
                    auto add = [&](int64_t& sum, int64_t x, const char* what) {
                        sum += x;
                        if (sum < INT32_MIN || sum > INT32_MAX)
                            throw ErrorEnding{"Data line " + std::to_string(nin) + ": the sum of " + what +
                                              " of class set " + sets[k] + ", volume range " +
                                              std::to_string(lows[v]) + " - " + std::to_string(highs[v]) +
                                              " is beyond the 32-bit range." + CRLF + line};
                    };
                    add(c.fatal, fat, "fatal collisions");
                    add(c.injury, inj, "injury collisions");
                    add(c.pdo, pdo, "PDO collisions");
                    add(c.clsn, all, "all collisions");
                    c.exposure += exposure;
                    if (!perLocation) c.km += length;
                    c.lines += 1;
                }
            }
        }
        in.Close();
        Status("nin:" + std::to_string(nin));
        if (nin == 0) throw ErrorEnding{"No Class-Rate data lines found."};

        // The table.
        OutputFile out;
        if (!out.Open(output)) {
            ui::MsgBox(FileOpenErrorMsg("output", output, out.error()), ui::vbExclamation, "RateTable");
            return closing();
        }
        Status("Opened output file.");
        int32_t lines = 0;
        auto put = [&](const std::string& text) {
            out.Write(text + CRLF);
            ++lines;
        };
        put(type + " Rate Table (in Published Format) generated at " + collisions::NowGeneralDate());
        put("by Tessawin procedure ClassRate_to_RateTable");
        put("from Class-Rate file: " + report);
        put("     created by VRQ at: " + runTime);
        put("     titled: " + title);
        put("     from collision subset: " + subset);
        put("Collision date range " + DateText(*first) + " to " + DateText(*last));
        put("");
        put("RATE TABLE");
        std::string t = "Traffic Volume (ADT),";
        for (size_t k = 1; k <= K; ++k) t += "," + sets[k] + ",,";
        put(t);
        t = "From,To";
        for (size_t k = 1; k <= K; ++k) t += perLocation ? ",(C/MV),(# int),(# clsn)" : ",(C/MVK),(# km),(# clsn)";
        put(t);
        for (size_t v = 1; v <= V; ++v) {
            t = std::to_string(lows[v]) + "," + std::to_string(highs[v]);
            for (size_t k = 1; k <= K; ++k) {
                const RateCell& c = cells[k][v];
                const float rate = c.clsn != 0 && c.exposure != 0
                                       ? static_cast<float>(static_cast<double>(c.clsn) * 1000000.0 / c.exposure)
                                       : 0.0f;
                t += "," + decimal::Format(rate, "##0.00") + "," +
                     (perLocation ? std::to_string(c.lines) : decimal::Format(c.km, "###0.0")) + "," +
                     std::to_string(c.clsn);
            }
            put(t);
        }
        put("");
        put("COLLISION COUNTS TABLE");
        t = "Traffic Volume (ADT),";
        for (size_t k = 1; k <= K; ++k) t += "," + sets[k] + ",,,,,";
        put(t);
        t = "From,To";
        for (size_t k = 1; k <= K; ++k) t += ",FAT,%,INJ,%,PDO,%";
        put(t);
        for (size_t v = 1; v <= V; ++v) {
            t = std::to_string(lows[v]) + "," + std::to_string(highs[v]);
            for (size_t k = 1; k <= K; ++k) {
                const RateCell& c = cells[k][v];
                if (c.clsn == 0) {
                    t += ",0,,0,,0,";
                    continue;
                }
                auto pct = [&](int64_t x) {
                    return decimal::Format(static_cast<double>(x) / static_cast<double>(c.clsn) * 100.0, "##0.0");
                };
                t += "," + std::to_string(c.fatal) + "," + pct(c.fatal) + "," + std::to_string(c.injury) + "," +
                     pct(c.injury) + "," + std::to_string(c.pdo) + "," + pct(c.pdo);
            }
            put(t);
        }
        if (!out.Close()) {
            ui::MsgBox(FileOpenErrorMsg("output", output, out.error()), ui::vbExclamation, "RateTable");
            return closing();
        }
        written = lines;
        complete = true;
        closing();
    } catch (const ErrorEnding& e) {
        Status("Error: " + e.message);
        ui::MsgBox(e.message, ui::vbExclamation, "ClassRate Error");
        in.Close();
    }
}

void cmdRateTable_Click(MainForm& form) {
    form.ShowStatus("", false);
    if (!form.GetFileName(form.CLR_Folder, form.CLR_File, form.clr_folder, form.clr_file, form.clr_fullname)) return;
    std::string out;
    if (!form.Check_OutFolder(out)) return;
    if (Upper(AddBackslash(form.clr_folder)) != Upper(AddBackslash(out)) &&
        ui::MsgBox("The output folder is not the same as the input folder.", ui::vbOKCancel + ui::vbExclamation,
                   "Warning") == ui::vbCancel)
        return;
    ui::Hourglass wait;
    form.out_folder = out;
    const std::string output = AddBackslash(out) + "PubRateTable_from_" + RemoveExtension(form.clr_file) + ".csv";

    std::vector<std::string> sets;
    std::vector<int32_t> lows, highs;
    if (form.optUseSpecifiedClassVol.Value()) {
        auto get = [](const std::string& key, const std::string& def) {
            return settings::GetSetting(kSettingsApp, "ClassVol", key, def);
        };
        auto number = [](const std::string& text, double& v) { return decimal::ParseDouble(text, v); };
        for (int n = 1; n <= 14; ++n) {
            const std::string slot = "(" + std::to_string(n) + ")";
            double ticked = 0;
            const std::string set = TrimSpaces(get("txtClassSet" + slot, ""));
            if (number(get("chkCS" + slot, "0"), ticked) && ticked == 1 && !set.empty()) {
                if (sets.empty()) sets.push_back("");
                sets.push_back(set);
            }
        }
        for (int n = 1; n <= 8; ++n) {
            const std::string slot = "(" + std::to_string(n) + ")";
            double ticked = 0;
            if (!number(get("chkVR" + slot, "0"), ticked) || ticked == 0) continue;
            const std::string lo = get("txtMinVol" + slot, ""), hi = get("txtMaxVol" + slot, "");
            const std::optional<int64_t> l = Whole(lo), h = Whole(hi);
            if (!l || !h || *l < INT32_MIN || *l > INT32_MAX || *h < INT32_MIN || *h > INT32_MAX) {
                ui::MsgBox("Volume range " + std::to_string(n) + " of the Class Sets and Volume Ranges form, \"" + lo +
                               "\" to \"" + hi + "\", is not two whole numbers." + CRLF +
                               "Correct it on the form, then try again.",
                           ui::vbExclamation, "RateTable");
                return;
            }
            if (lows.empty()) {
                lows.push_back(0);
                highs.push_back(0);
            }
            lows.push_back(static_cast<int32_t>(*l));
            highs.push_back(static_cast<int32_t>(*h));
        }
    }
    ClassRate_to_RateTable(form.clr_fullname, output, sets, lows, highs);
}

void cmdClassVol_Click(MainForm& form) {
    if (ui::Form* w = ui::FindForm("frmClassVol")) {
        w->Show(ui::vbModal);
        return;
    }
    form.ShowStatus("The Class Sets and Volume Ranges form is not available yet.", true, CRLF);
}
