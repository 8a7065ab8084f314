// CDEbyGroup: collision counts of an extract by section, month and severity
// (the SSA tab's "Break IN-SS CDE by Section && Month") and by group and
// quarter (the CDE tab's "Sum by Group and Quarter").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class MainForm;

void cmdCDEByMonth_Click(MainForm& form);
void CDE_Sum_by_Group(const std::string& folder, const std::string& file, const std::string& listName,
                      const std::string& outFolder, int16_t Year1, int16_t Year2);

void cmdCDEsumByGroupAndQuarter_Click(MainForm& form);
void CDE_Sum_by_Group_and_Quarter(const std::string& folder, const std::string& file, const std::string& outFolder);

namespace cdebygroup {
// The section list of the last run, kept until the next (1-based).
inline constexpr int kMaxSections = 500;
inline constexpr int kMaxMonths = 500;
inline constexpr int kMaxGroups = 500;
inline constexpr int kMaxQuarters = 100;
const std::vector<std::string>& SectionList();
int16_t SectionCount();
}  // namespace cdebygroup
