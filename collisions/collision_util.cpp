#include "collisions/collision_util.h"

#include <cmath>
#include <ctime>
#include <filesystem>
#include <limits>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/DecimalFormat.h"
#include "common/WholeNumber.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "platform/ui/ui.h"

namespace fs = std::filesystem;

namespace collisions {

namespace {

std::tm LocalNow() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

std::string Strftime(const char* format) {
    const std::tm tm = LocalNow();
    char buf[64];
    const std::size_t n = std::strftime(buf, sizeof buf, format, &tm);
    return std::string(buf, n);
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec);
    const fs::path pa = fs::weakly_canonical(fs::absolute(a, ec), ec);
    const fs::path pb = fs::weakly_canonical(fs::absolute(b, ec), ec);
    return pa == pb;
}

bool ToInt16(const std::string& text, int16_t& out) {
    return Whole_Number(text, out);
}

bool ToInt32(const std::string& text, int32_t& out) {
    return Whole_Number(text, out);
}

bool IsBlankLine(const std::string& line) {
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

std::string TodayShortDate() {
    return Strftime("%Y-%m-%d");
}

std::string NowGeneralDate() {
    return Strftime("%Y-%m-%d %H:%M:%S");
}

int CurrentYear() {
    return LocalNow().tm_year + 1900;
}

std::string MonthName(int month) {
    static const char* const names[] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
    return month >= 1 && month <= 12 ? names[month - 1] : "";
}

std::string HTML_Escape(const std::string& s) {
    std::string r;
    r.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&': r += "&amp;"; break;
            case '<': r += "&lt;"; break;
            case '>': r += "&gt;"; break;
            case '"': r += "&quot;"; break;
            case '\'': r += "&#39;"; break;
            default: r += c;
        }
    }
    return r;
}

std::string Trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

}  // namespace collisions

namespace {

constexpr const char* CRLF = "\r\n";

}  // namespace

bool Check_outCDE_file(MainForm& form, const std::string& versionPrompt, std::string& outFull, std::string& version) {
    const std::string name = collisions::Trimmed(form.outCDE_file.Text());
    if (name.empty()) {
        ui::MsgBox("Specify the name of the output CDE csv file.  (It will go into the output folder.)",
                   ui::vbExclamation);
        form.outCDE_file.SetFocus();
        return false;
    }
    if (!FolderPart(name).empty()) {
        ui::MsgBox("No path allowed on the output CDE csv file.  (It will go into the specified output folder.)",
                   ui::vbExclamation);
        form.outCDE_file.SetFocus();
        return false;
    }
    std::string out;
    if (!form.Check_OutFolder(out)) return false;
    outFull = AddBackslash(out) + RemoveExtension(name) + ".csv";
    version = collisions::Trimmed(form.CDE_HMZversion.Text());
    if (version.empty()) {
        ui::MsgBox(versionPrompt, ui::vbExclamation, "Tessawin");
        form.CDE_HMZversion.SetFocus();
        return false;
    }
    if (!HMZ_Version_Valid(version)) {
        ui::MsgBox("HMZ version " + version +
                       " is not a valid HMZ version (i.e. is not in the SegAllVersions database).",
                   ui::vbExclamation, "Tessawin");
        form.CDE_HMZversion.SetFocus();
        return false;
    }
    if (collisions::SameFile(outFull, form.cde_fullname)) {
        ui::MsgBox("The output file " + outFull + CRLF + "is the input CDE file itself.", ui::vbExclamation);
        form.outCDE_file.SetFocus();
        return false;
    }
    // asked last, after every other check; the new file replaces the old one
    // only once it is complete
    if (FileExists(outFull) &&
        ui::MsgBox("File " + outFull + " exists.  Do you want to replace it?", ui::vbOKCancel + ui::vbQuestion) ==
            ui::vbCancel) {
        form.outCDE_file.SetFocus();
        return false;
    }
    return true;
}
