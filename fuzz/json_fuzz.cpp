// The JSON reader of the browser's debugging interface: a document read
// and walked as the page reader walks answers; any text, quoted, reads back
// as itself.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/shell/json_text.h"

namespace {

void Walk(const shell::json::Value& v) {
    for (const auto& item : v.array) Walk(item);
    for (const auto& member : v.object) Walk(member.value);
    v.Find("id");
    v.Text("result");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    shell::json::Value v;
    if (shell::json::Parse(text, v)) Walk(v);
    shell::json::Value back;
    if (!shell::json::Parse(shell::json::Quote(text), back) || back.kind != shell::json::Value::String ||
        back.string != text)
        std::abort();
    return 0;
}
