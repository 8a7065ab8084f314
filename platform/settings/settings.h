// The per-user settings store: values addressed by application, section and
// key, every value text, a default on every miss. Section and key names match
// without regard to case. Each application has one INI file,
// <folder>/<application>.ini, where <folder> is $XDG_CONFIG_HOME/Tessawin
// ($HOME/.config/Tessawin when unset). The file is read at every call, so a
// change of folder or of the file takes effect at once, and written whole to
// a temporary name that is then renamed over it.
#pragma once

#include <string>

namespace settings {

// The value stored under app/section/key, or `default_value` when there is
// none (no file, no section, no key, unreadable file).
std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& default_value = "");

// Stores the value, replacing one stored under the same names in any case.
// Returns false when the file could not be written (the old file stays).
bool SaveSetting(const std::string& app, const std::string& section, const std::string& key, const std::string& value);

// The folder the INI files live in, as it would be used now.
std::string StoreFolder();

// Puts the store into `folder` instead (tests); "" goes back to the default.
void SetStoreFolder(const std::string& folder);

// The full name of an application's INI file.
std::string StoreFile(const std::string& app);

}  // namespace settings
