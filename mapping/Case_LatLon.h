// Case mapping: the case location table (latlon.csv in the MapCase tab's
// batch folder), the map display of one location in the globe viewer or a
// web map, and the case number and working position read from the
// collision records system's validation page open in the user's browser.
#pragma once

#include <cstdint>
#include <string>

// The web map's search page; the location follows, percent-encoded.
inline constexpr const char* kMapSearchPage = "https://www.google.com/maps?q=";

// The case location table. Not loaded (0 entries) until the first lookup
// after start-up or after the batch folder changed.
struct CaseLatLonEntry {
    std::string Case, Lat, Lon;
};
int32_t CaseLatLon_Count();
const CaseLatLonEntry& CaseLatLon_Entry(int32_t i);  // 1-based
// Marks the table as not loaded, so the next lookup reads it again.
void CaseLatLon_Forget();

void LoadLatLon();
void LookupCaseLatLon(const std::string& Case, std::string& Lat, std::string& Lon, std::string& Status);
void MapCase(const std::string& Case, std::string& Status);
// LatLon: latitude, comma, longitude (blanks allowed after the comma).
void GoogleMapLatLon(const std::string& Label, const std::string& LatLon, std::string& Status);

// Read from the validation page "VRQ860" open in the browser; "" when none.
std::string GetCaseFromVRQ860();
std::string GetLatLonFromVRQ860();

// The browser's remote-debugging port: key "DebuggingPort" of section
// "Browser" in the settings store, 9222 when unset or not a port number.
int Browser_DebuggingPort();

// A label made fit to be a file name in its folder: "/" and characters that
// are not allowed in file names on the desktops the files go to become "_".
std::string SafeFileLabel(const std::string& Label);
