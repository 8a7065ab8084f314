#include "platform/shell/json_text.h"

#include <cstdlib>

#include "platform/text/utf8.h"

namespace shell::json {

namespace {

constexpr int kMaxDepth = 64;

class Reader {
public:
    explicit Reader(std::string_view t) : t_(t) {}

    bool Document(Value& v) {
        if (!Element(v, 0)) return false;
        Blanks();
        return p_ == t_.size();
    }

private:
    std::string_view t_;
    std::size_t p_ = 0;

    void Blanks() {
        while (p_ < t_.size() && (t_[p_] == ' ' || t_[p_] == '\t' || t_[p_] == '\n' || t_[p_] == '\r')) ++p_;
    }
    bool Literal(std::string_view word) {
        if (t_.substr(p_, word.size()) != word) return false;
        p_ += word.size();
        return true;
    }
    bool Hex4(unsigned& cp) {
        if (p_ + 4 > t_.size()) return false;
        cp = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = t_[p_++];
            cp <<= 4;
            if (c >= '0' && c <= '9')
                cp |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                cp |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                cp |= static_cast<unsigned>(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }
    bool Str(std::string& out) {
        if (p_ >= t_.size() || t_[p_] != '"') return false;
        ++p_;
        while (p_ < t_.size()) {
            const char c = t_[p_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (p_ >= t_.size()) return false;
            switch (t_[p_++]) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    unsigned cp = 0;
                    if (!Hex4(cp)) return false;
                    if (cp >= 0xD800 && cp < 0xDC00) {
                        unsigned lo = 0;
                        if (!Literal("\\u") || !Hex4(lo) || lo < 0xDC00 || lo >= 0xE000) return false;
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                    } else if (cp >= 0xDC00 && cp < 0xE000) {
                        return false;
                    }
                    ::text::append_utf8(out, cp);
                    break;
                }
                default: return false;
            }
        }
        return false;
    }
    bool Num(double& out) {
        const std::size_t start = p_;
        if (p_ < t_.size() && t_[p_] == '-') ++p_;
        auto digits = [&] {
            const std::size_t s = p_;
            while (p_ < t_.size() && t_[p_] >= '0' && t_[p_] <= '9') ++p_;
            return p_ > s;
        };
        if (!digits()) return false;
        if (p_ < t_.size() && t_[p_] == '.') {
            ++p_;
            if (!digits()) return false;
        }
        if (p_ < t_.size() && (t_[p_] == 'e' || t_[p_] == 'E')) {
            ++p_;
            if (p_ < t_.size() && (t_[p_] == '+' || t_[p_] == '-')) ++p_;
            if (!digits()) return false;
        }
        // strtod reads the C locale's point: numbers here are ASCII only and
        // the program never changes LC_NUMERIC.
        const std::string text(t_.substr(start, p_ - start));
        out = std::strtod(text.c_str(), nullptr);
        return true;
    }
    bool Element(Value& v, int depth) {
        if (depth >= kMaxDepth) return false;
        Blanks();
        if (p_ >= t_.size()) return false;
        switch (t_[p_]) {
            case '{': {
                ++p_;
                v.kind = Value::Object;
                Blanks();
                if (p_ < t_.size() && t_[p_] == '}') return ++p_, true;
                for (;;) {
                    Blanks();
                    std::string key;
                    if (!Str(key)) return false;
                    Blanks();
                    if (p_ >= t_.size() || t_[p_] != ':') return false;
                    ++p_;
                    Value member;
                    if (!Element(member, depth + 1)) return false;
                    v.object.push_back(Member{std::move(key), std::move(member)});
                    Blanks();
                    if (p_ >= t_.size()) return false;
                    if (t_[p_] == '}') return ++p_, true;
                    if (t_[p_++] != ',') return false;
                }
            }
            case '[': {
                ++p_;
                v.kind = Value::Array;
                Blanks();
                if (p_ < t_.size() && t_[p_] == ']') return ++p_, true;
                for (;;) {
                    Value item;
                    if (!Element(item, depth + 1)) return false;
                    v.array.push_back(std::move(item));
                    Blanks();
                    if (p_ >= t_.size()) return false;
                    if (t_[p_] == ']') return ++p_, true;
                    if (t_[p_++] != ',') return false;
                }
            }
            case '"': v.kind = Value::String; return Str(v.string);
            case 't': v.kind = Value::Bool; v.boolean = true; return Literal("true");
            case 'f': v.kind = Value::Bool; v.boolean = false; return Literal("false");
            case 'n': v.kind = Value::Null; return Literal("null");
            default: v.kind = Value::Number; return Num(v.number);
        }
    }
};

}  // namespace

const Value* Value::Find(std::string_view key) const {
    if (kind != Object) return nullptr;
    for (const auto& [k, v] : object)
        if (k == key) return &v;
    return nullptr;
}

std::string Value::Text(std::string_view key) const {
    const Value* v = Find(key);
    return v && v->kind == String ? v->string : std::string();
}

bool Parse(std::string_view text, Value& out) {
    out = Value{};
    Reader r(text);
    if (r.Document(out)) return true;
    out = Value{};
    return false;
}

std::string Quote(std::string_view text) {
    static const char* const hex = "0123456789abcdef";
    std::string out = "\"";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
    return out;
}

}  // namespace shell::json
