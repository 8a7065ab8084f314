// The little JSON the browser's debugging interface speaks: a reader of whole
// documents and the quoting of a text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shell::json {

struct Member;

struct Value {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    double number = 0;
    std::string string;  // UTF-8
    std::vector<Value> array;
    // A pair<string, Value> here would need Value complete: clang with
    // libstdc++ checks that.
    std::vector<Member> object;

    // The member named key of an object; nullptr when absent or not an object.
    const Value* Find(std::string_view key) const;
    // The member's text when it is a string, else "".
    std::string Text(std::string_view key) const;
};

struct Member {
    std::string key;
    Value value;
};

// Reads one JSON document (blanks around it allowed). False on any error,
// including nesting deeper than 64 levels.
bool Parse(std::string_view text, Value& out);

// The text as a JSON string literal, quotes included.
std::string Quote(std::string_view text);

}  // namespace shell::json
