// Translation of a section definition file to another inventory version:
// record by record through the translation library, each input line copied
// after its translated ends and their flag.
#pragma once

#include <cstdint>
#include <string>

// Translates SDF_Path (in SDF_Version) to the target version, writing
// <SDF_OutFolder>/<base name>_HMZ<target>.csv with kms of ndp (1 or 2)
// decimals. Progress every 50 records; the SDF tab's Cancel button stops it.
void SDF_Transform(const std::string& target, int16_t ndp);

// The flag of a translated section: -1 when an end is off the target
// inventory or could not be translated ("OFF ", "ERR "), else -2 when an end
// met a segment split, else the larger step count (0: nothing applied).
int32_t Ntrans_Of(const std::string& seg1, const std::string& seg2, int32_t steps1, int32_t steps2, bool split1,
                  bool split2);
