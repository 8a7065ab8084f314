// Letter case of the program's texts. Texts are UTF-8, or Windows-1252 when
// they come from older files: a well-formed UTF-8 sequence is read as UTF-8,
// any other byte as a Windows-1252 character. Each letter keeps its encoding,
// so the result has the same length.
//
// Cased are the ASCII letters, the accented Latin letters of Windows-1252
// and Latin Extended-A, and the unaccented Greek and basic Cyrillic letters;
// everything else is left as it is. Letters without a one-to-one partner keep
// their case: sharp s, the dotted capital I and the dotless small i.
#pragma once

#include <string>
#include <string_view>

namespace text {

std::string upper_case(std::string_view s);
std::string lower_case(std::string_view s);

}  // namespace text
