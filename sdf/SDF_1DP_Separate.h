// One-decimal separation: the sections of a file brought to whole tenths of
// a km and moved apart by one hectometre where they would touch (at a shared
// node, or on the hm where the previous section on the segment ends). Writes
// a new SDF beside the others and a log of every change.
#pragma once

#include <cstdint>

// option 1: ID, new segment and km fields; 2: also the note; 3: the new
// segment and km fields followed by every input field. Any other number
// gives option 1's layout.
void SDF_1DP_Separate(int16_t option);
