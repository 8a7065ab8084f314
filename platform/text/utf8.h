// Code points written out as UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace text {

// Appends one code point (at most U+10FFFF) as UTF-8.
void append_utf8(std::string& out, std::uint32_t cp);

}  // namespace text
