// Text files open for output under a 16-bit number, the way the program hands
// a log from one module to another (Trace_FileNo, the log number given to the
// geometry and latitude/longitude lookups). 0 or less is never a file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The lowest number from 1 that no open file holds.
int16_t FreeFile();
// Opens `path` for output under FileNo (closing whatever held the number).
// False when the file cannot be created; errno is then left as it failed.
bool Open_FileNo(int16_t FileNo, const std::string& path);
bool FileNo_IsOpen(int16_t FileNo);
// Writes Text and a line end to the file open under FileNo; the trace log's
// number (Trace_FileNo) goes to Trace_Print; any other number is nothing.
void Print_FileNo(int16_t FileNo, std::string_view Text);
// Closes the file and puts it in place; false on a write error.
bool Close_FileNo(int16_t FileNo);
