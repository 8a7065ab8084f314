// Text for XML documents the program writes (workbooks, documents, KML).
#pragma once

#include <string>
#include <string_view>

namespace text {

// UTF-8 text an XML document can carry: a well-formed UTF-8 sequence is kept,
// any other byte is read as Windows-1252, and control characters XML forbids
// are dropped (tab, line feed and carriage return stay).
std::string xml_safe(std::string_view text);

}  // namespace text
