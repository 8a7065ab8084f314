// HMZ_SegAllVersions: every question about a segment across inventory
// versions, answered from "segallversions.mdb" (table SegmentAllVersions,
// one row per segment and version). The database is opened read-only and
// shared by the first lookup that needs it and stays open; the rows of the
// last segment asked about, and the one row of the last segment and version
// asked about, are kept. Once a run has queried about as many segments as
// one pass over the table costs, the whole table is read into memory in that
// pass and later segments cost no query.
//
// While the database is missing, every lookup asks for it again, except
// within the command in which the user already gave up (or in which it could
// not be opened): there the lookups give their none values at once. A
// database error is shown in a box naming the file and the cause, titled
// with the procedure's name, and the procedure gives its none value.
#pragma once

#include <cstdint>
#include <string>

#include "platform/db/db.h"

namespace ui {
class TextBox;
}

// The database, when open.
extern db::Database sav_DB;
// The file chosen or typed in by the last open attempt.
extern std::string sav_DBfilename;

// Opens sav_DB from AppFolder, else the all-versions data folder, else the
// file the user types in; leaves it closed when the user gives up.
void SegAllVersions_Open();
// Database := the open database and true, or null and false.
bool SAV_Get_Database(const db::Database*& Database);
// True when the table has a row of the version's first six characters.
bool HMZ_Version_Valid(const std::string& version);
void SAV_Load_Segment(const std::string& segment);
void SAV_Load_SegVersion(const std::string& segment, const std::string& version);
// The length in effect at the date (blank: the latest); 0 when none. A date
// that is not a calendar date has no length in effect.
float SAV_Length_at_Date(const std::string& segment, const std::string& date, int16_t ndp);
// "YYYY-MM-DD" of the latest row, "1990-01-01" when it has no date, "" when
// the segment never existed.
std::string SAV_Effective_Date(const std::string& segment);
std::string SAV_Highway(const std::string& segment);
std::string SAV_Latest_Version(const std::string& segment);
// The segment's history, replacing the status box.
void ShowSegHistory(const std::string& segment);
std::string SAV_Begin_Node(const std::string& segment, const std::string& version);
std::string SAV_End_Node(const std::string& segment, const std::string& version);
// -1 when the segment is not in that version.
float SAV_Length(const std::string& segment, const std::string& version);
// The trimmed version text when it names a version of the table, else ""
// after a box saying why (the focus goes back to the box).
std::string Check_HMZ_Version_Text(ui::TextBox& box);

// Queries run on the database so far (the cache's effect can be seen).
long SAV_Queries_Run();
// Closes the database and empties the cache, so the next lookup finds the
// file again (after the data folders change; tests).
void SAV_Forget_Database();
