-- A small all-versions table.
--   1000  three versions; the oldest without an effective date
--   2000  two versions, every date present
--   3000  latest row without an effective date
--   8000  Nulls wherever a row can have them
-- Version 201807 also holds the highway table's cases: highway 97 with and
-- without a letter (one letter in lower case, one blank), highway 5, highway
-- 16, highway 901 with a letter, 1234, one segment listed twice and one
-- without a highway number.
CREATE TABLE SegmentAllVersions (Segment TEXT(4), HMZVersion TEXT(6), Length SINGLE, Effective_Date DATETIME,
  Highway_Number SHORT, Highway_Letter TEXT(1), Nway BYTE, Direction TEXT(2), Search_Sequence LONG,
  Begin_Node TEXT(8), End_Node TEXT(8), Begin_Continuity TEXT(1), End_Continuity TEXT(1),
  Opposite_Segment TEXT(4), Description TEXT(60));
INSERT INTO SegmentAllVersions VALUES
  ('1000', '200601', 10.0, NULL,         97, NULL, 2, 'N', 2, 'N100', 'N101', 'C', 'C', NULL, 'Old Main St'),
  ('1000', '201001', 10.5, #2010-01-01#, 97, NULL, 2, 'N', 2, 'N100', 'N102', 'C', 'C', NULL, 'Main St'),
  ('1000', '201807', 11.25, #2018-07-01#, 97, NULL, 2, 'N', 2, 'N100', 'N103', 'C', 'E', '1001', 'Main St to River Rd'),
  ('2000', '201001', 5.0,  #2010-01-01#, 16, NULL, 4, 'E', 1, 'N200', 'N201', 'B', 'C', NULL, 'Bridge'),
  ('2000', '201807', 5.5,  #2018-07-01#, 16, NULL, 4, 'E', 1, 'N200', 'N202', 'B', 'C', NULL, 'Bridge, rebuilt'),
  ('3000', '201001', 3.0,  #2010-01-01#, 16, NULL, 2, 'E', 2, 'N300', 'N301', 'C', 'C', NULL, 'Hill'),
  ('3000', '201807', 3.125, NULL,        16, NULL, 2, 'E', 2, 'N300', 'N301', 'C', 'C', NULL, 'Hill'),
  ('8000', '201807', 1.0,  NULL,         NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
  ('0550', '201807', 2.0,  #2018-07-01#, 5, NULL, 2, 'N', 1, 'N550', 'N551', 'C', 'C', NULL, 'Lakeshore'),
  ('1100', '201807', 4.0,  #2018-07-01#, 97, NULL, 2, 'N', 1, 'N099', 'N100', 'C', 'C', NULL, 'South approach'),
  ('1300', '201807', 1.5,  #2018-07-01#, 97, ' ', 2, 'N', 3, 'N103', 'N104', 'C', 'C', NULL, 'Blank letter'),
  ('1400', '201807', 0.5,  #2018-07-01#, 97, NULL, 2, 'N', 5, 'N104', 'N105', 'C', 'C', NULL, 'Listed twice'),
  ('1400', '201807', 0.5,  #2018-07-01#, 97, NULL, 2, 'N', 6, 'N104', 'N105', 'C', 'C', NULL, 'Listed twice'),
  ('1200', '201807', 2.5,  #2018-07-01#, 97, 'A', 1, 'N', 1, 'N200', 'N210', 'C', 'C', '1201', 'Business loop'),
  ('1210', '201807', 2.5,  #2018-07-01#, 97, 'A', 1, 'N', 3, 'N220', 'N230', 'C', 'C', NULL, 'Business loop'),
  ('1205', '201807', 2.5,  #2018-07-01#, 97, 'a', 1, 'N', 2, 'N210', 'N220', 'C', 'C', NULL, 'Lower-case letter'),
  ('9010', '201807', 6.0,  #2018-07-01#, 901, 'B', 2, 'W', 1, 'N901', 'N902', 'C', 'C', NULL, 'Ferry road'),
  ('9020', '201807', 7.0,  #2018-07-01#, 1234, NULL, 2, 'W', 1, 'N903', 'N904', 'C', 'C', NULL, 'Long number');
