#include "platform/shell/browser_pages.h"

#include <utility>

#include "platform/shell/json_text.h"
#include "platform/shell/websocket.h"

namespace shell {

namespace {

std::shared_ptr<BrowserPages>& PagesSlot() {
    static std::shared_ptr<BrowserPages> slot;
    return slot;
}

// One page, read by evaluating small expressions in it over its own
// debugging connection (opened at the first query).
class DevToolsPage : public BrowserPage {
public:
    DevToolsPage(int port, std::string ws_path, std::string title, int timeout_ms)
        : port_(port), ws_path_(std::move(ws_path)), title_(std::move(title)), timeout_ms_(timeout_ms) {}

    std::string Title() override { return title_; }

    bool IsHtml() override {
        json::Value v;
        return Evaluate("document instanceof HTMLDocument", v) && v.kind == json::Value::Bool && v.boolean;
    }

    std::vector<std::string> TextsOfTag(const std::string& tag) override {
        std::vector<std::string> texts;
        json::Value v;
        const std::string expr = "Array.from(document.getElementsByTagName(" + json::Quote(tag) +
                                 "), e => String(e.innerText === undefined ? e.textContent : e.innerText))";
        if (!Evaluate(expr, v) || v.kind != json::Value::Array) return texts;
        for (const auto& item : v.array)
            if (item.kind == json::Value::String) texts.push_back(item.string);
        return texts;
    }

    std::optional<std::string> ValueOfFirstNamed(const std::string& name) override {
        json::Value v;
        const std::string expr = "(() => { const e = document.getElementsByName(" + json::Quote(name) +
                                 ")[0]; if (!e) return null; const v = ('value' in e) ? e.value : "
                                 "e.getAttribute('value'); return v === null || v === undefined ? '' : String(v); })()";
        if (!Evaluate(expr, v) || v.kind != json::Value::String) return std::nullopt;
        return v.string;
    }

private:
    int port_;
    std::string ws_path_;
    std::string title_;
    int timeout_ms_;
    WebSocketClient ws_;
    int next_id_ = 1;
    bool failed_ = false;

    // Runtime.evaluate of expr, its result by value in `result`.
    bool Evaluate(const std::string& expr, json::Value& result) {
        if (failed_ || ws_path_.empty()) return false;
        if (!ws_.IsOpen() && !ws_.Connect(port_, ws_path_, timeout_ms_)) {
            failed_ = true;
            return false;
        }
        const int id = next_id_++;
        const std::string request = "{\"id\":" + std::to_string(id) +
                                    ",\"method\":\"Runtime.evaluate\",\"params\":{\"expression\":" + json::Quote(expr) +
                                    ",\"returnByValue\":true}}";
        if (!ws_.SendText(request)) {
            failed_ = true;
            return false;
        }
        // Events the page sends meanwhile are passed over; a bounded number
        // of them, so a chatty page cannot keep us here.
        for (int skipped = 0; skipped < 1000; ++skipped) {
            std::string text;
            if (!ws_.ReceiveText(text, 16u << 20, timeout_ms_)) {
                failed_ = true;
                return false;
            }
            json::Value msg;
            if (!json::Parse(text, msg)) continue;
            const json::Value* got = msg.Find("id");
            if (!got || got->kind != json::Value::Number || got->number != id) continue;
            const json::Value* outer = msg.Find("result");
            if (!outer || outer->Find("exceptionDetails")) return false;
            const json::Value* inner = outer->Find("result");
            if (!inner) return false;
            const json::Value* value = inner->Find("value");
            result = value ? *value : json::Value{};
            return value != nullptr || inner->Text("type") == "undefined" || inner->Text("subtype") == "null";
        }
        failed_ = true;
        return false;
    }
};

}  // namespace

namespace detail {

std::string LoopbackWebSocketPath(const std::string& url, int port) {
    const std::string scheme = "ws://";
    if (url.compare(0, scheme.size(), scheme) != 0) return "";
    const auto slash = url.find('/', scheme.size());
    if (slash == std::string::npos) return "";
    const std::string authority = url.substr(scheme.size(), slash - scheme.size());
    const std::string port_text = ":" + std::to_string(port);
    if (authority != "127.0.0.1" + port_text && authority != "localhost" + port_text) return "";
    return url.substr(slash);
}

}  // namespace detail

std::vector<std::unique_ptr<BrowserPage>> DevToolsPages::Pages() {
    std::vector<std::unique_ptr<BrowserPage>> pages;
    std::string body;
    if (!LoopbackHttpGet(port_, "/json", body, 4u << 20, timeout_ms_)) return pages;
    json::Value list;
    if (!json::Parse(body, list) || list.kind != json::Value::Array) return pages;
    for (const auto& entry : list.array) {
        if (entry.Text("type") != "page") continue;
        pages.push_back(std::make_unique<DevToolsPage>(
            port_, detail::LoopbackWebSocketPath(entry.Text("webSocketDebuggerUrl"), port_), entry.Text("title"),
            timeout_ms_));
    }
    return pages;
}

void SetBrowserPages(std::shared_ptr<BrowserPages> pages) {
    PagesSlot() = std::move(pages);
}

std::shared_ptr<BrowserPages> CurrentBrowserPages(int port) {
    if (PagesSlot()) return PagesSlot();
    return std::make_shared<DevToolsPages>(port);
}

}  // namespace shell
