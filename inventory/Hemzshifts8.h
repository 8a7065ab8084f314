// Hemzshifts8: the program's only road into the translation library
// libHemzshift8.so. One wrapper per entry point the program uses, the
// inventory tab's initialisation rule, the transformation history shown in
// the status box and a segment's last transformation date.
//
// The library is loaded with dlopen at the first wrapper call, from the
// program folder when it lies there, else from the default search path, and
// each entry point is looked up at its own first call; it then stays loaded.
// A missing file or entry point, and a library that stopped on an error in
// its data files, are shown in a box titled with the wrapper's name and
// abandon the running command (ui::CommandAbandoned). So is a date that is
// not a calendar date: the library compares date texts, so every date goes
// to it as "yyyy-mm-dd" (or blank).
#pragma once

#include <cstdint>
#include <string>

// Decimal places of the last initialisation made by Hemzshift_Init (0 at start).
extern int16_t Hemzshift_InitNdp;
// The target version the library reported after that initialisation ("" at start).
extern std::string Hemzshift_LastTarget;

// The library's file name, looked for in AppFolder first.
inline constexpr const char* kHemzshiftLibraryFile = "libHemzshift8.so";

// Thin wrappers. Input texts are copied into blank-padded buffers of their
// width (date and version 10, segment 4, code 1); the caller's texts are
// never changed.
void Hemzshift_InitDLL(int32_t ndp, const std::string& target, const std::string& folder);
void Hemzshift_Translate(const std::string& date, const std::string& segment, const std::string& code, float km,
                         std::string& out_segment, float& out_km, bool& obs, int32_t& steps, bool& split);
void Hemzshift_ToVersion(const std::string& date, const std::string& segment, const std::string& code, float km,
                         const std::string& target, std::string& out_segment, float& out_km, bool& obs, int32_t& steps,
                         bool& split);
void Hemzshift_All(int32_t mode, const std::string& date, const std::string& segment, const std::string& code, float km,
                   int32_t& status);
void Hemzshift_CheckLocn(const std::string& version, const std::string& segment, float km, int32_t& status);
// The last target version, blanks removed at both ends ("" when none).
void Hemzshift_GetLastTarget(std::string& version);
// The segment's end date: 10 characters, blanks when the library knows none.
void Hemzshift_GetEndDate(const std::string& segment, std::string& date);

// Initialises the library for the inventory tab's lookups, unless it already
// is with these decimals; the data folder is AppFolder when it holds
// "HMZ_Transform_Group.csv", else the translation data folder.
void Hemzshift_Init(int16_t ndp);
// The transformation history of one location, appended to the status box.
void Hemzshift_ShowAll(const std::string& date, const std::string& segment, const std::string& code, float km,
                       int16_t ndp);
// The end date of the segment's last transformation ("YYYY-MM-DD" or ten blanks).
std::string Hemzshift_GetSegDate(const std::string& segment);
// A 3-character code gets a leading "0"; any other length stays.
void Pad_Seg4_0(std::string& segment);

// Where the library writes its detail report: "temp", else TMPDIR, else /tmp.
std::string Hemzshift_DetailFile();
