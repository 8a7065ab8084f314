#include "inventory/Hemzshifts8.h"

#include <dlfcn.h>
#include <link.h>

#include <cmath>
#include <cstring>

#include "app/MainForm.h"
#include "common/Brellinlib.h"
#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "inventory/HMZ_Dates.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"
#include "translation/Hemzshift8.h"

int16_t Hemzshift_InitNdp = 0;
std::string Hemzshift_LastTarget;

namespace {

const std::string CRLF = "\r\n";

[[noreturn]] void abandon(const std::string& message, const char* caller) {
    ui::MsgBox(message, ui::vbExclamation | ui::vbOKOnly, caller);
    throw ui::CommandAbandoned(message);
}

// ------------------------------------------------------------ the library

void* g_library = nullptr;
std::string g_library_path;  // where it was loaded from

void* library(const char* caller) {
    if (g_library) return g_library;
    std::string why;
    void* h = nullptr;
    const std::string beside = AppFolder.empty() ? std::string() : AddBackslash(AppFolder) + kHemzshiftLibraryFile;
    if (!beside.empty() && FileExists(beside)) {
        // A broken copy in the program folder is reported, not passed over
        // for another version elsewhere.
        h = ::dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!h) why = ::dlerror();
    } else {
        h = ::dlopen(kHemzshiftLibraryFile, RTLD_NOW | RTLD_LOCAL);
        if (!h) why = ::dlerror();
    }
    if (!h) {
        abandon(std::string("The translation library ") + kHemzshiftLibraryFile + " could not be loaded." + CRLF +
                    CRLF + why,
                caller);
    }
    g_library = h;
    g_library_path = kHemzshiftLibraryFile;
    link_map* map = nullptr;
    if (::dlinfo(h, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name) g_library_path = map->l_name;
    return g_library;
}

template <class F>
F entry(F& slot, const char* name, const char* caller) {
    if (slot) return slot;
    void* h = library(caller);
    ::dlerror();
    void* p = ::dlsym(h, name);
    if (!p) abandon("The translation library " + g_library_path + " has no entry point " + name + ".", caller);
    slot = reinterpret_cast<F>(p);
    return slot;
}

#define HEMZSHIFT_ENTRY(fn, caller)          \
    ([&]() {                                 \
        static decltype(&fn) slot = nullptr; \
        return entry(slot, #fn, caller);     \
    }())

// After a call: a library stopped by an error in its data files answers
// every call with its failure sentinels until the next initialisation, so
// the command ends here instead of reporting them as results.
void check_library(const char* caller) {
    int32_t number = 0;
    char message[1024];
    std::memset(message, ' ', sizeof message);
    HEMZSHIFT_ENTRY(DLL_HEMZSHIFT_GET_ERROR, caller)(&number, message, static_cast<int32_t>(sizeof message));
    if (number == 0) return;
    std::string text(message, sizeof message);
    const auto last = text.find_last_not_of(' ');
    text.erase(last == std::string::npos ? 0 : last + 1);
    // The next Hemzshift_Init initialises again rather than trusting the
    // failed tables.
    Hemzshift_LastTarget.clear();
    abandon("The translation library stopped on an error in its data files (error " + std::to_string(number) +
                "):" + CRLF + CRLF + text + CRLF + CRLF + "See file Hemzshift8_mod_log.txt for details.",
            caller);
}

// ------------------------------------------------------------ texts

std::string fixed(const std::string& s, std::size_t width) {
    std::string r = s.substr(0, std::min(s.size(), width));
    r.resize(width, ' ');
    return r;
}

// The date as the library compares it: "yyyy-mm-dd", or ten blanks.
std::string library_date(const std::string& date, const char* caller) {
    std::string normal;
    if (!Normal_HMZ_Date(date, normal))
        abandon("Invalid date " + date + ".  Enter a date in yyyy-mm-dd format", caller);
    return fixed(normal, 10);
}

bool flag(uint8_t b) {
    return b != 0;
}

std::string trim_blanks(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::string trim_right(std::string s) {
    const auto e = s.find_last_not_of(' ');
    s.erase(e == std::string::npos ? 0 : e + 1);
    return s;
}

}  // namespace

// ------------------------------------------------------------ wrappers

void Hemzshift_InitDLL(int32_t ndp, const std::string& target, const std::string& folder) {
    const char* caller = "Hemzshift_InitDLL";
    auto init = HEMZSHIFT_ENTRY(DLL_HEMZSHIFT_INIT, caller);
    init(&ndp, target.data(), static_cast<int32_t>(target.size()), folder.data(), static_cast<int32_t>(folder.size()));
    check_library(caller);
}

void Hemzshift_Translate(const std::string& date, const std::string& segment, const std::string& code, float km,
                         std::string& out_segment, float& out_km, bool& obs, int32_t& steps, bool& split) {
    const char* caller = "Hemzshift_Translate";
    std::string d = library_date(date, caller), s = fixed(segment, 4), c = fixed(code, 1), out(4, ' ');
    auto fn = HEMZSHIFT_ENTRY(DLL_HEMZSHIFT, caller);
    float k = km, ok = 0.0f;
    uint8_t o = 0, sp = 0;
    int32_t n = 0;
    fn(d.data(), 10, s.data(), 4, c.data(), 1, &k, out.data(), 4, &ok, &o, &n, &sp);
    check_library(caller);
    out_segment = out;
    out_km = ok;
    obs = flag(o);
    steps = n;
    split = flag(sp);
}

void Hemzshift_ToVersion(const std::string& date, const std::string& segment, const std::string& code, float km,
                         const std::string& target, std::string& out_segment, float& out_km, bool& obs, int32_t& steps,
                         bool& split) {
    const char* caller = "Hemzshift_ToVersion";
    std::string d = library_date(date, caller), s = fixed(segment, 4), c = fixed(code, 1), t = fixed(target, 10),
                out(4, ' ');
    auto fn = HEMZSHIFT_ENTRY(DLL_HEMZSHIFT_TO_HMZVERSION, caller);
    float k = km, ok = 0.0f;
    uint8_t o = 0, sp = 0;
    int32_t n = 0;
    fn(d.data(), 10, s.data(), 4, c.data(), 1, &k, t.data(), 10, out.data(), 4, &ok, &o, &n, &sp);
    check_library(caller);
    out_segment = out;
    out_km = ok;
    obs = flag(o);
    steps = n;
    split = flag(sp);
}

void Hemzshift_All(int32_t mode, const std::string& date, const std::string& segment, const std::string& code, float km,
                   int32_t& status) {
    const char* caller = "Hemzshift_All";
    std::string d = library_date(date, caller), s = fixed(segment, 4), c = fixed(code, 1);
    auto fn = HEMZSHIFT_ENTRY(DLL_HEMZSHIFT_ALL, caller);
    float k = km;
    int32_t st = status;
    fn(&mode, d.data(), 10, s.data(), 4, c.data(), 1, &k, &st);
    check_library(caller);
    status = st;
}

void Hemzshift_CheckLocn(const std::string& version, const std::string& segment, float km, int32_t& status) {
    const char* caller = "Hemzshift_CheckLocn";
    std::string v = fixed(version, 10), s = fixed(segment, 4);
    auto fn = HEMZSHIFT_ENTRY(DLL_HEMZSHIFT_CHECK_LOCN, caller);
    float k = km;
    int32_t st = 0;
    fn(v.data(), 10, s.data(), 4, &k, &st);
    check_library(caller);
    status = st;
}

void Hemzshift_GetLastTarget(std::string& version) {
    const char* caller = "Hemzshift_GetLastTarget";
    std::string buf(12, ' ');
    HEMZSHIFT_ENTRY(DLL_HEMZSHIFT_GET_LAST_TARGET, caller)(buf.data(), 12);
    check_library(caller);
    version = trim_blanks(buf);
}

void Hemzshift_GetEndDate(const std::string& segment, std::string& date) {
    const char* caller = "Hemzshift_GetEndDate";
    std::string s = fixed(segment, 4), out(10, ' ');
    HEMZSHIFT_ENTRY(DLL_HEMZSHIFT_GET_END_DATE, caller)(s.data(), 4, out.data(), 10);
    check_library(caller);
    date = out;
}

// ------------------------------------------------------------ procedures

void Hemzshift_Init(int16_t ndp) {
    if (!Hemzshift_LastTarget.empty() && Hemzshift_InitNdp == ndp) return;
    std::string folder;
    if (!AppFolder.empty() && FileExists(AddBackslash(AppFolder) + "HMZ_Transform_Group.csv"))
        folder = AddBackslash(AppFolder);
    else
        folder = Data_Folder(DataKind::Translation);
    Hemzshift_InitDLL(ndp, " ", folder);
    Hemzshift_InitNdp = ndp;
    Hemzshift_GetLastTarget(Hemzshift_LastTarget);
    TheMainForm().lblLastTarget.SetCaption("Latest HMZ version in the provided transformation data files: " +
                                           Hemzshift_LastTarget);
}

std::string Hemzshift_DetailFile() {
    std::string temp = shell::Environ("temp");
    while (temp.size() > 1 && temp.back() == '/') temp.pop_back();
    return temp + "/Hemzshift_Detail.txt";
}

void Hemzshift_ShowAll(const std::string& date, const std::string& segment, const std::string& code, float km,
                       int16_t ndp) {
    MainForm& form = TheMainForm();
    Hemzshift_Init(ndp);
    int32_t status = 0;
    Hemzshift_All(-1, date, segment, code, km, status);
    if (status != 0) {
        form.ShowStatus("Error " + std::to_string(status) +
                        " returned from HEMZSHIFT dll. See file Hemzshift8_mod_log.txt for details.");
        return;
    }
    const std::string path = Hemzshift_DetailFile();
    InputFile f;
    if (!f.Open(path)) {
        form.ShowStatus("The transformation detail report " + path + " could not be read: " + std::strerror(f.error()),
                        true);
        return;
    }
    bool at_eof = false;
    std::string line;
    do {
        Read_Line(f, line, at_eof);
        line = trim_right(line);
        form.ShowStatus(line, true);
        if (line.find("-1.0") != std::string::npos)
            form.ShowStatus("The location was found, but is now Off-HMZ", true);
        else if (line.find("-2.0") != std::string::npos)
            form.ShowStatus("The segment was found, but the km was not.", true);
        else if (line.find("-3.0") != std::string::npos)
            form.ShowStatus("The segment was devolved.", true);
    } while (!at_eof);
    f.Close();
}

std::string Hemzshift_GetSegDate(const std::string& segment) {
    // Only 1 or 2 decimals are meaningful to the library; anything else in
    // the box falls back to the last initialisation's, else 2.
    int16_t ndp = 0;
    double v = 0;
    if (decimal::ParseDouble(TheMainForm().txtHMZ_NDP.Text(), v) && std::fabs(v) < 32768.0) {
        const double whole = std::nearbyint(v);  // halves to even, as CInt
        if (whole == 1.0 || whole == 2.0) ndp = static_cast<int16_t>(whole);
    }
    if (ndp == 0) ndp = Hemzshift_InitNdp == 1 || Hemzshift_InitNdp == 2 ? Hemzshift_InitNdp : int16_t{2};
    Hemzshift_Init(ndp);
    std::string date;
    Hemzshift_GetEndDate(segment, date);
    return date;
}

void Pad_Seg4_0(std::string& segment) {
    if (segment.size() == 3) segment = "0" + segment;
}
