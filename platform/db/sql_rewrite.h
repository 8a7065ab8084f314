// Jet's #date# literals in query text, made into SQLite text literals of the
// form the copied date columns hold.
#pragma once

#include <string>
#include <string_view>

namespace db::detail {

// Returns the query with every #...# date literal outside strings, quoted
// names and comments replaced by '<date text>'. A literal that is not a valid
// date, or is not closed, throws db::Error 3075.
std::string rewrite_jet_sql(std::string_view sql);

}  // namespace db::detail
