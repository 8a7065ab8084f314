// A generated data set made the program's own, as an installed program has
// it: the program folder, the translation library and its tables beside it, a
// settings store of the benchmark's and no program ever started.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "platform/settings/settings.h"
#include "platform/shell/shell.h"

namespace bench {

inline void UseInstalledData(const std::filesystem::path& data, const std::filesystem::path& store,
                             const std::string& library) {
    AppFolder = data.string() + "/";
    std::error_code ec;
    std::filesystem::create_symlink(library, data / "libHemzshift8.so", ec);
    settings::SetStoreFolder(store.string());
    settings::SaveSetting("Tessawin", "DataFolders", DataFolderKey(DataKind::Translation), AppFolder);
    shell::SetLauncher(std::make_shared<shell::RecordingLauncher>());
}

}  // namespace bench
