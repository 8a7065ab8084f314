// Where the inventory, geometry, translation and volume data live when the
// program folder does not hold them. Each kind has its own key in the
// settings section "DataFolders"; unset, it is the installed sample data set,
// so every command runs on the sample with nothing configured.
#pragma once

#include <string>

enum class DataKind { Inventory, AllVersions, Geometry, Translation, Volume };

// The settings key of a kind: "Inventory", "AllVersions", "Geometry",
// "Translation", "Volume".
const char* DataFolderKey(DataKind kind);

// The folder of a kind, ending in one separator: the stored folder when one
// is set, else the sample data set.
std::string Data_Folder(DataKind kind);

// The installed sample data set, ending in one separator: "sample/" beside
// the program when it is there, else the one the build wrote.
std::string Sample_Folder();
