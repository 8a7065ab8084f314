#include "platform/db/sql_rewrite.h"

#include "platform/db/db.h"
#include "platform/db/jet_values.h"

namespace db::detail {

std::string rewrite_jet_sql(std::string_view sql) {
    std::string out;
    out.reserve(sql.size() + 16);
    std::size_t i = 0;
    auto copy_until = [&](std::size_t from, char close) {
        // Copies a quoted run; a doubled closing quote stays inside it.
        std::size_t j = from + 1;
        for (;;) {
            std::size_t k = sql.find(close, j);
            if (k == std::string_view::npos) {
                j = sql.size();
                break;
            }
            j = k + 1;
            if (close != ']' && j < sql.size() && sql[j] == close) {
                ++j;
                continue;
            }
            break;
        }
        out.append(sql.substr(from, j - from));
        return j;
    };
    while (i < sql.size()) {
        char c = sql[i];
        if (c == '\'' || c == '"' || c == '`') {
            i = copy_until(i, c);
        } else if (c == '[') {
            i = copy_until(i, ']');
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            std::size_t k = sql.find('\n', i);
            if (k == std::string_view::npos) k = sql.size();
            out.append(sql.substr(i, k - i));
            i = k;
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            std::size_t k = sql.find("*/", i + 2);
            k = k == std::string_view::npos ? sql.size() : k + 2;
            out.append(sql.substr(i, k - i));
            i = k;
        } else if (c == '#') {
            std::size_t k = sql.find('#', i + 1);
            if (k == std::string_view::npos)
                throw Error(kErrSyntax,
                            "Syntax error in date in query expression '" + std::string(sql.substr(i)) + "'.");
            std::string_view lit = sql.substr(i + 1, k - i - 1);
            DateTime d;
            if (!parse_date(lit, d))
                throw Error(kErrSyntax, "Syntax error in date in query expression '#" + std::string(lit) + "#'.");
            out += '\'';
            out += date_text(d);
            out += '\'';
            i = k + 1;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

}  // namespace db::detail
