// A small SQL script of CREATE TABLE and INSERT statements, written into a
// Jet file with jet::Writer.
//
//   -- comment
//   CREATE TABLE [Landmark-Intersection] (Landmark_ID LONG, Legs SHORT);
//   INSERT INTO [Landmark-Intersection] VALUES (1, 4), (2, NULL);
//   INSERT INTO Segment (Segment, Length) VALUES ('0010', 12.35);
//
// Types, with their Jet DDL meanings: TEXT(n) / VARCHAR(n) / CHAR(n) (255 when
// no length is given), MEMO / LONGTEXT, BYTE, SHORT / SMALLINT (16-bit
// Integer), LONG / INTEGER / INT (32-bit Long), SINGLE / REAL, DOUBLE / FLOAT,
// CURRENCY / MONEY, NUMERIC(p, s) / DECIMAL(p, s) (precision 18 and scale 0
// when not given; the scale alone may be left out), DATETIME / DATE,
// YESNO / BIT / BOOLEAN / LOGICAL.
// Values: NULL, TRUE (-1), FALSE (0), 'text' (quotes doubled inside), numbers
// (decimal point "."), #yyyy-mm-dd# or #yyyy-mm-dd hh:mm:ss# dates.
// Names are bare, [bracketed], "quoted" or `quoted`. Columns an INSERT leaves
// out are Null (No for Yes/No, which cannot be Null).
#pragma once

#include <istream>
#include <string>

#include "tools/jet_writer.h"

namespace jet {

// Reads the whole script and writes the file. Errors name the script line:
// throws WriteError("line N: ...").
void write_script(std::istream& script, const std::string& output_path);

}  // namespace jet
