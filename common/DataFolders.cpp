#include "common/DataFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "common/Brellinlib.h"
#include "common/TessawinMod.h"
#include "platform/settings/settings.h"
#include "platform/shell/shell.h"

#ifndef TW_SAMPLE_DIR
#define TW_SAMPLE_DIR ""
#endif

namespace {

std::string with_separator(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

std::string trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

}  // namespace

const char* DataFolderKey(DataKind kind) {
    switch (kind) {
        case DataKind::Inventory: return "Inventory";
        case DataKind::AllVersions: return "AllVersions";
        case DataKind::Geometry: return "Geometry";
        case DataKind::Translation: return "Translation";
        case DataKind::Volume: return "Volume";
    }
    return "";
}

std::string Sample_Folder() {
    if (!AppFolder.empty()) {
        const std::string beside = with_separator(AppFolder) + "sample/";
        if (FolderExists(beside)) return beside;
    }
    return with_separator(TW_SAMPLE_DIR);
}

std::string Data_Folder(DataKind kind) {
    const std::string stored = trimmed(settings::GetSetting("Tessawin", "DataFolders", DataFolderKey(kind)));
    if (!stored.empty()) return with_separator(stored);
    return Sample_Folder();
}

bool Data_Folder_Is_Set(DataKind kind) {
    return !trimmed(settings::GetSetting("Tessawin", "DataFolders", DataFolderKey(kind))).empty();
}

std::string Data_Folder_Setting_Text(DataKind kind) {
    if (!Data_Folder_Is_Set(kind)) return "";
    return "Set in " + settings::StoreFile("Tessawin") + ", section \"DataFolders\", key \"" +
           DataFolderKey(kind) + "\":\r\n" + Data_Folder(kind);
}

namespace {

std::string home_folder() {
    std::string home = shell::Environ("HOME");
    if (home.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    }
    return home;
}

bool same_folder(const std::string& a, const std::string& b) {
    return with_separator(trimmed(a)) == with_separator(trimmed(b));
}

}  // namespace

std::string Default_Out_Folder() {
    const std::string home = home_folder();
    return with_separator(home.empty() ? std::string("/tmp") : home) + "Tessawin/output/";
}

bool Make_Out_Folder_On_First_Use(const std::string& folder) {
    if (FolderExists(folder)) return true;
    if (!same_folder(folder, Default_Out_Folder())) return false;
    std::error_code ec;
    std::filesystem::create_directories(Default_Out_Folder(), ec);
    return FolderExists(folder);
}

std::string Sample_Working_Copy_Name(const std::string& sample_file) {
    return Default_Out_Folder() + sample_file;
}

bool Make_Sample_Working_Copy(const std::string& path) {
    const std::string name = FileNamePart(trimmed(path));
    if (name.empty() || trimmed(path) != Sample_Working_Copy_Name(name)) return true;
    if (FileExists(path)) return true;
    const std::string sample = Sample_Folder() + name;
    if (!FileExists(sample) || !Make_Out_Folder_On_First_Use(Default_Out_Folder())) return false;
    std::error_code ec;
    std::filesystem::copy_file(sample, path, ec);
    // The copy is the user's own, to be written, whatever the sample's mode.
    std::filesystem::permissions(path,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ec);
    return FileExists(path);
}
