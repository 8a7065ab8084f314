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

// True when the settings store names a folder for the kind.
bool Data_Folder_Is_Set(DataKind kind);
// For a kind whose folder the store names: the lines that say so, for a box
// about a file the folder does not hold ("Set in <settings file>, section
// "DataFolders", key "<key>":", then the folder). "" when the kind is unset,
// so the sample is used.
std::string Data_Folder_Setting_Text(DataKind kind);

// The output folder a first run starts on, ending in one separator:
// Tessawin/output in the user's home folder, so nothing is ever written into
// the installed sample or program folder.
std::string Default_Out_Folder();
// Makes the default output folder, with its parents, when `folder` names it
// and it does not exist yet. True when `folder` exists afterwards.
bool Make_Out_Folder_On_First_Use(const std::string& folder);
// A working copy of a sample file that a command changes in place (the
// worksheet windows' workbooks): its name in the default output folder.
std::string Sample_Working_Copy_Name(const std::string& sample_file);
// When `path` is such a working copy and does not exist yet, makes the
// output folder and copies the sample file there. True when `path` exists
// afterwards (or names no working copy).
bool Make_Sample_Working_Copy(const std::string& path);
