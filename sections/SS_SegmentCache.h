// The inventory rows of one segment that the short-sections run asks about
// again and again (landmarks, area rows, class rows), read once per segment
// from the open inventory database and answered from memory. Rows keep the
// order the database stores them in, so ties fall as they would in a query
// of the table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SSLandmarkRow {
    int32_t ID = 0;
    float Km = 0;
    int32_t hm = 0;   // Cint((Km * 10) + 0.001)
    int64_t dam = 0;  // CLng(Km * 100)
    std::string LMtype, Side;
    std::optional<std::string> Description, Point, Text;
    // From [Landmark-Intersection], one row per intersection the landmark
    // belongs to (versions from 201807); absent for older versions.
    std::optional<int32_t> Intersection_ID;
    std::optional<int32_t> Legs;
};

struct SSAreaRow {
    float Start_Km = 0, End_km = 0;
    int32_t Area = 0, District = 0, Region = 0;
};

struct SSClassRow {
    int32_t Cat_Number = 0;
    std::string Char_Code;
    std::string From_Date, To_Date;  // "YYYY-MM-DD", "" when null
    float Start_Km = 0, End_Km = 0;
};

namespace sscache {

// The rows of segment in the open inventory database (hmz_DB), loaded at
// the first question about it (or by Prefetch). Landmarks are ordered by
// Km, then storage order; area rows by Start_Km, then storage order; class
// rows in storage order.
const std::vector<SSLandmarkRow>& Landmarks(const std::string& segment);
const std::vector<SSAreaRow>& AreaRows(const std::string& segment);
const std::vector<SSClassRow>& ClassRows(const std::string& segment);
// Reads the rows of these segments at once (a few queries for all of them)
// and keeps them in place of the segments held so far.
void Prefetch(const std::vector<std::string>& segments);
bool Has(const std::string& segment);
// Forgets every loaded segment (a new run, another database).
void Clear();

// Database rounding of a km: CINT and CLNG halve to even.
int32_t CintHm(float km);     // Cint((Km * 10) + 0.001)
int64_t ClngDam(float km);    // CLng(Km * 100)
// Whether an LMtype is in a list (1..count), compared without regard to case.
bool TypeIn(const std::string& type, const std::vector<std::string>& list, int16_t count);
bool SameText(const std::string& a, const std::string& b);

}  // namespace sscache
