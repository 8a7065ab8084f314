// The region, district and area lines of a segment, for the main window's
// "Show" on the inventory tab.
#pragma once

#include <string>

// Appends to the status box the area rows of the segment in the inventory
// database of its latest version (from 200806 on), which becomes the open
// inventory database: one short line for a single row, else one line per row
// with its km range. Nothing for a segment without such a version.
void ShowSegRegDistArea(const std::string& seg);
