#include "common/DataFolders.h"

#include "common/Brellinlib.h"
#include "common/TessawinMod.h"
#include "platform/settings/settings.h"

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
