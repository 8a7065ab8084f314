-- A small inventory-shaped file, as later fixtures are written.
CREATE TABLE Segment (Segment TEXT(4), Length SINGLE, Begin_Node TEXT(8), End_Node TEXT(8), nway BYTE,
                      Highway_Number SHORT, Highway_Letter TEXT(1));
INSERT INTO Segment VALUES
  ('0010', 12.345, 'N001', 'N002', 2, 1, NULL),
  ('0020', 3.5, 'N002', 'N003', 4, 1, 'A');

CREATE TABLE [Landmark-Intersection] (Landmark_ID LONG, Intersection_ID LONG, Legs SHORT);
INSERT INTO [Landmark-Intersection] (Landmark_ID, Legs) VALUES (7, 4);
