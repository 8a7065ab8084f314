// The inventory's area code table, loaded once per run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RDA_Code {
    int16_t Code = 0;
    int16_t Parent = 0;  // the district
    std::string Name;
};

// Fills `table` (element 0 unused) from the open inventory database's table
// of that name, rows whose first field is no number skipped.
void Load_RDA_Table(const std::string& tableName, std::vector<RDA_Code>& table);
// The table's upper bound; 0 when it was never filled.
int16_t RDA_UBound(const std::vector<RDA_Code>& table);
