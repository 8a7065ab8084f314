#include "tools/jet_script.h"

#include <cctype>
#include <charconv>
#include <iterator>
#include <map>
#include <optional>

namespace jet {

namespace {

enum class Tok { End, Word, Name, String, Number, Date, Punct };

struct Token {
    Tok kind = Tok::End;
    std::string text;
    int line = 1;
};

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

class Lexer {
public:
    explicit Lexer(std::string src) : s_(std::move(src)) {}

    Token next() {
        skip();
        Token t;
        t.line = line_;
        if (i_ >= s_.size()) return t;
        char c = s_[i_];
        if (c == '\'') {
            t.kind = Tok::String;
            ++i_;
            for (;;) {
                if (i_ >= s_.size()) fail(t.line, "text not closed");
                char d = s_[i_++];
                if (d == '\n') ++line_;
                if (d == '\'') {
                    if (i_ < s_.size() && s_[i_] == '\'') {
                        t.text += '\'';
                        ++i_;
                        continue;
                    }
                    break;
                }
                t.text += d;
            }
            return t;
        }
        if (c == '[' || c == '"' || c == '`') {
            char close = c == '[' ? ']' : c;
            t.kind = Tok::Name;
            std::size_t end = s_.find(close, i_ + 1);
            if (end == std::string::npos) fail(t.line, "name not closed");
            t.text = s_.substr(i_ + 1, end - i_ - 1);
            i_ = end + 1;
            return t;
        }
        if (c == '#') {
            t.kind = Tok::Date;
            std::size_t end = s_.find('#', i_ + 1);
            if (end == std::string::npos) fail(t.line, "date not closed");
            t.text = s_.substr(i_ + 1, end - i_ - 1);
            i_ = end + 1;
            return t;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.' ||
            ((c == '-' || c == '+') && i_ + 1 < s_.size() &&
             (std::isdigit(static_cast<unsigned char>(s_[i_ + 1])) || s_[i_ + 1] == '.'))) {
            t.kind = Tok::Number;
            std::size_t start = i_++;
            while (i_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '.' ||
                                      ((s_[i_] == '-' || s_[i_] == '+') && (s_[i_ - 1] == 'e' || s_[i_ - 1] == 'E'))))
                ++i_;
            t.text = s_.substr(start, i_ - start);
            if (t.text[0] == '+') t.text.erase(0, 1);
            return t;
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            t.kind = Tok::Word;
            std::size_t start = i_;
            while (i_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[i_])) || s_[i_] == '_')) ++i_;
            t.text = s_.substr(start, i_ - start);
            return t;
        }
        t.kind = Tok::Punct;
        t.text = std::string(1, c);
        ++i_;
        return t;
    }

    [[noreturn]] static void fail(int line, const std::string& msg) {
        throw WriteError("line " + std::to_string(line) + ": " + msg);
    }

private:
    void skip() {
        while (i_ < s_.size()) {
            char c = s_[i_];
            if (c == '\n') {
                ++line_;
                ++i_;
            } else if (std::isspace(static_cast<unsigned char>(c)))
                ++i_;
            else if (c == '-' && i_ + 1 < s_.size() && s_[i_ + 1] == '-') {
                while (i_ < s_.size() && s_[i_] != '\n') ++i_;
            } else
                break;
        }
    }

    std::string s_;
    std::size_t i_ = 0;
    int line_ = 1;
};

class Parser {
public:
    Parser(std::string src, Writer& w) : lex_(std::move(src)), w_(w) { advance(); }

    void run() {
        while (cur_.kind != Tok::End) {
            if (is_punct(";")) {
                advance();
                continue;
            }
            std::string kw = upper(expect_word());
            if (kw == "CREATE")
                create();
            else if (kw == "INSERT")
                insert();
            else
                fail("expected CREATE TABLE or INSERT INTO, found " + kw);
            if (cur_.kind != Tok::End) expect(";");
        }
    }

private:
    void advance() { cur_ = lex_.next(); }
    [[noreturn]] void fail(const std::string& msg) { Lexer::fail(cur_.line, msg); }
    bool is_punct(const char* p) const { return cur_.kind == Tok::Punct && cur_.text == p; }
    bool is_word(const char* w) const { return cur_.kind == Tok::Word && upper(cur_.text) == w; }
    void expect(const char* p) {
        if (!is_punct(p))
            fail(std::string("expected \"") + p + "\"" +
                 (cur_.kind == Tok::End ? " at the end" : ", found \"" + cur_.text + "\""));
        advance();
    }
    std::string expect_word() {
        if (cur_.kind != Tok::Word) fail("expected a keyword");
        std::string w = cur_.text;
        advance();
        return w;
    }
    void expect_keyword(const char* w) {
        if (!is_word(w)) fail(std::string("expected ") + w);
        advance();
    }
    std::string name() {
        if (cur_.kind != Tok::Word && cur_.kind != Tok::Name) fail("expected a name");
        std::string n = cur_.text;
        advance();
        return n;
    }

    void create() {
        expect_keyword("TABLE");
        std::string table = name();
        expect("(");
        std::vector<Column> cols;
        for (;;) {
            Column c;
            c.name = name();
            std::string type = upper(expect_word());
            static const std::map<std::string, Type> kTypes = {
                {"TEXT", Type::Text},         {"VARCHAR", Type::Text},     {"CHAR", Type::Text},
                {"MEMO", Type::Memo},         {"LONGTEXT", Type::Memo},    {"BYTE", Type::Byte},
                {"SHORT", Type::Integer},     {"SMALLINT", Type::Integer}, {"LONG", Type::Long},
                {"INTEGER", Type::Long},      {"INT", Type::Long},         {"SINGLE", Type::Single},
                {"REAL", Type::Single},       {"DOUBLE", Type::Double},    {"FLOAT", Type::Double},
                {"CURRENCY", Type::Currency}, {"MONEY", Type::Currency},   {"DATETIME", Type::DateTime},
                {"DATE", Type::DateTime},     {"YESNO", Type::Boolean},    {"BIT", Type::Boolean},
                {"BOOLEAN", Type::Boolean},   {"LOGICAL", Type::Boolean},  {"NUMERIC", Type::Numeric},
                {"DECIMAL", Type::Numeric},
            };
            auto it = kTypes.find(type);
            if (it == kTypes.end()) fail("unknown column type " + type);
            c.type = it->second;
            if (is_punct("(")) {
                advance();
                auto whole = [&](int& out, const char* what) {
                    if (cur_.kind != Tok::Number) fail(std::string("expected a ") + what);
                    const char* first = cur_.text.data();
                    const char* last = first + cur_.text.size();
                    auto [end, ec] = std::from_chars(first, last, out);
                    if (ec != std::errc() || end != last)
                        fail(std::string("expected a whole ") + what + ", not " + cur_.text);
                    advance();
                };
                if (c.type == Type::Numeric) {
                    // NUMERIC(precision[, scale])
                    whole(c.precision, "precision");
                    c.scale = 0;
                    if (is_punct(",")) {
                        advance();
                        whole(c.scale, "scale");
                    }
                } else {
                    if (cur_.kind == Tok::Number && c.type != Type::Text) fail("only TEXT takes a length");
                    whole(c.length, "length");
                }
                expect(")");
            }
            cols.push_back(c);
            if (is_punct(",")) {
                advance();
                continue;
            }
            expect(")");
            break;
        }
        try {
            w_.add_table(table, cols);
        } catch (const WriteError& e) {
            fail(e.what());
        }
    }

    Value value() {
        Value v;
        switch (cur_.kind) {
            case Tok::String:
                v = cur_.text;
                break;
            case Tok::Date:
                v = cur_.text;
                break;
            case Tok::Number: {
                const std::string& t = cur_.text;
                std::int64_t n = 0;
                auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), n);
                if (ec == std::errc() && p == t.data() + t.size())
                    v = n;
                else
                    v = t;  // converted exactly for its column's type
                break;
            }
            case Tok::Word: {
                std::string w = upper(cur_.text);
                if (w == "NULL")
                    v = std::monostate{};
                else if (w == "TRUE")
                    v = std::int64_t{-1};
                else if (w == "FALSE")
                    v = std::int64_t{0};
                else
                    fail("unexpected " + cur_.text);
                break;
            }
            default:
                fail("expected a value");
        }
        advance();
        return v;
    }

    void insert() {
        expect_keyword("INTO");
        std::string table = name();
        int t = w_.find_table(table);
        if (t < 0) fail("no table " + table);
        const auto& cols = w_.columns(t);
        std::vector<int> order;
        if (is_punct("(")) {
            advance();
            for (;;) {
                std::string c = name();
                int found = -1;
                for (std::size_t i = 0; i < cols.size(); ++i)
                    if (upper(cols[i].name) == upper(c)) found = static_cast<int>(i);
                if (found < 0) fail("no column " + c + " in " + table);
                order.push_back(found);
                if (is_punct(",")) {
                    advance();
                    continue;
                }
                expect(")");
                break;
            }
        } else {
            for (std::size_t i = 0; i < cols.size(); ++i) order.push_back(static_cast<int>(i));
        }
        expect_keyword("VALUES");
        for (;;) {
            int line = cur_.line;
            expect("(");
            std::vector<Value> row(cols.size());
            // Columns left out are Null, or No for a Yes/No column (which has no Null).
            for (std::size_t i = 0; i < cols.size(); ++i)
                if (cols[i].type == Type::Boolean) row[i] = std::int64_t{0};
            for (std::size_t k = 0;; ++k) {
                if (k >= order.size()) fail("more values than columns");
                row[static_cast<std::size_t>(order[k])] = value();
                if (is_punct(",")) {
                    advance();
                    continue;
                }
                if (k + 1 != order.size()) fail("fewer values than columns");
                expect(")");
                break;
            }
            try {
                w_.add_row(t, row);
            } catch (const WriteError& e) {
                Lexer::fail(line, e.what());
            }
            if (is_punct(",")) {
                advance();
                continue;
            }
            break;
        }
    }

    Lexer lex_;
    Writer& w_;
    Token cur_;
};

}  // namespace

void write_script(std::istream& script, const std::string& output_path) {
    std::string src((std::istreambuf_iterator<char>(script)), std::istreambuf_iterator<char>());
    Writer w(output_path);
    Parser(std::move(src), w).run();
    w.finish();
}

}  // namespace jet
