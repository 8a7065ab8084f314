// Reading the sample's files back for the tests: mdb-export's CSV and the
// translation tables, as plain rows of texts.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/test_files.h"

namespace sampletest {

using Row = std::map<std::string, std::string>;

// One CSV line: fields split at commas outside double quotes, quotes removed.
inline std::vector<std::string> csv_fields(const std::string& line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                out.back() += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == ',' && !quoted) {
            out.emplace_back();
        } else if (c != '\r') {
            out.back() += c;
        }
    }
    return out;
}

// Rows of a CSV text whose first line is the heading.
inline std::vector<Row> csv_rows(const std::string& text) {
    std::vector<Row> rows;
    std::istringstream in(text);
    std::string line;
    std::vector<std::string> heading;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        const auto fields = csv_fields(line);
        if (heading.empty()) {
            heading = fields;
            continue;
        }
        Row r;
        for (std::size_t i = 0; i < heading.size(); ++i) r[heading[i]] = i < fields.size() ? fields[i] : "";
        rows.push_back(r);
    }
    return rows;
}

inline std::string sample_file(const std::string& name) {
    return std::string(SAMPLE_DIR) + "/" + name;
}

// A table as mdb-export gives it, dates as yyyy-mm-dd. Fails the test when
// mdb-export does.
inline std::vector<Row> export_table(const std::string& file, const std::string& table) {
    const auto r = testfiles::run({"mdb-export", "-D", "%Y-%m-%d", "-T", "%Y-%m-%d", sample_file(file), table});
    EXPECT_EQ(r.status, 0) << "mdb-export " << file << " " << table;
    return csv_rows(r.out);
}

inline std::vector<std::string> table_names(const std::string& file) {
    const auto r = testfiles::run({"mdb-tables", "-1", sample_file(file)});
    EXPECT_EQ(r.status, 0) << "mdb-tables " << file;
    std::vector<std::string> names;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) names.push_back(line);
    return names;
}

inline std::string read_sample_text(const std::string& name) {
    std::ifstream in(sample_file(name), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline double number(const std::string& s) {
    return std::strtod(s.c_str(), nullptr);
}

// Fields of the translation tables may be in apostrophes.
inline double number_of(std::string s) {
    if (s.size() >= 2 && s.front() == '\'' && s.back() == '\'') s = s.substr(1, s.size() - 2);
    return number(s);
}

}  // namespace sampletest
