#include "app/SelFile.h"

#include "common/Brellinlib.h"
#include "platform/ui/ui.h"

std::string SelFileFilter;
int32_t SelFileExtraFlags = 0;

namespace {

constexpr int kFileBaseFlags = ui::cdlOFNPathMustExist + ui::cdlOFNNoChangeDir + ui::cdlOFNHideReadOnly;
constexpr int kFolderBaseFlags = ui::cdlOFNNoChangeDir + ui::cdlOFNHideReadOnly;
constexpr const char* kAllFiles = "All Files (*.*)|*.*";

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The flags of a file choice; the extra flags are used up.
int FileFlags(const std::string& mode) {
    int flags = kFileBaseFlags + SelFileExtraFlags;
    SelFileExtraFlags = 0;
    const std::string m = Upper(mode);
    if (m == "READ") flags += ui::cdlOFNFileMustExist;
    if (m == "WRITE") flags += ui::cdlOFNNoReadOnlyReturn;
    return flags;
}

// The filter of this dialog; the caller's filter is used up.
std::string TakeFilter() {
    std::string filter = SelFileFilter.empty() ? kAllFiles : SelFileFilter;
    SelFileFilter.clear();
    return filter;
}

}  // namespace

bool GetFileFn(const std::string& deffn, const std::string& TITLE, const std::string& initdir, const std::string& mode,
               std::string& outfn) {
    ui::FileDialogRequest req;
    req.flags = FileFlags(mode);

    const std::string upper_title = Upper(TITLE);
    req.title = "Specify the " + TITLE;
    if (!EndsWith(upper_title, "FILE") && !EndsWith(upper_title, "FILE.")) req.title += " file";

    std::string def_folder;
    std::string def_name;
    if (FolderExists(deffn)) {
        def_folder = deffn;
    } else {
        def_folder = FolderPart(deffn);
        def_name = FileNamePart(deffn);
    }

    const std::string init = TrimSpaces(initdir);
    req.initial_folder = init.empty() ? def_folder : initdir;
    if (def_folder.empty()) {
        req.initial_file = deffn;
    } else if (!init.empty() && Upper(init) != Upper(def_folder)) {
        req.initial_file.clear();
    } else {
        req.initial_file = def_name;
    }

    req.filter = TakeFilter();
    req.save = Upper(mode) != "READ";

    const ui::FileDialogResult r = ui::ShowFileDialog(req);
    if (r.cancelled || r.file_name.empty()) return false;
    outfn = r.file_name;
    return true;
}

bool SelectFileFn(ui::TextBox& Ctl, const std::string& TITLE, const std::string& initdir, const std::string& mode) {
    std::string chosen;
    if (!GetFileFn(Ctl.Text(), TITLE, initdir, mode, chosen)) return false;
    Ctl.SetText(chosen);
    Ctl.SetFocus();
    return true;
}

void SelectFile(ui::TextBox& Ctl, const std::string& TITLE, const std::string& initdir, const std::string& mode) {
    SelectFileFn(Ctl, TITLE, initdir, mode);
}

bool GetPathFn(const std::string& TITLE, const std::string& initdir, const std::string& mode, std::string& OUTPATH) {
    for (;;) {
        ui::FileDialogRequest req;
        req.initial_folder = initdir;
        req.initial_file = "dummy";
        req.filter = TakeFilter();
        req.title = "Specify any file in the " + TITLE + " folder";
        req.flags = SelFileExtraFlags + kFolderBaseFlags;
        SelFileExtraFlags = 0;

        const ui::FileDialogResult r = ui::ShowFileDialog(req);
        if (r.cancelled || r.file_name.empty()) {
            OUTPATH.clear();
            return false;
        }
        const std::string folder = FolderPart(r.file_name);
        if (!FolderExists(folder)) {
            ui::MsgBox("Folder " + folder + " does not exist!", ui::vbExclamation, "Pelmor Shell");
            continue;
        }
        if (mode == "WRITE" && !FolderWritable(folder)) {
            ui::MsgBox("You do not have write access to folder " + folder, ui::vbExclamation, "Pelmor Shell");
            continue;
        }
        OUTPATH = folder;
        return true;
    }
}

void SelectPath(ui::TextBox& Ctl, const std::string& TITLE, const std::string& mode) {
    std::string folder;
    if (!GetPathFn(TITLE, Ctl.Text(), mode, folder)) return;
    Ctl.SetText(folder);
    Ctl.SetFocus();
}

bool SelectPathFileFn(ui::TextBox& PathCtl, ui::TextBox& FileCtl, const std::string& TITLE, const std::string& mode) {
    ui::FileDialogRequest req;
    req.flags = FileFlags(mode);
    req.title = "Specify the " + TITLE;
    if (!EndsWith(TITLE, ".") && !EndsWith(Upper(TITLE), "FILE")) req.title += " file";
    req.initial_folder = PathCtl.Text();
    req.initial_file = FileCtl.Text();
    req.filter = TakeFilter();
    req.save = false;

    const ui::FileDialogResult r = ui::ShowFileDialog(req);
    if (r.cancelled || r.file_name.empty()) return false;
    PathCtl.SetText(FolderPart(r.file_name));
    FileCtl.SetText(FileNamePart(r.file_name));
    FileCtl.SetFocus();
    return true;
}

void SelectPathFile(ui::TextBox& PathCtl, ui::TextBox& FileCtl, const std::string& TITLE, const std::string& mode) {
    SelectPathFileFn(PathCtl, FileCtl, TITLE, mode);
}
