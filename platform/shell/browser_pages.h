// The pages open in the user's browser, as the program reads them: each
// page's title and a few queries of its document. The real provider talks to
// a Chromium-family browser's remote-debugging interface on 127.0.0.1 (the
// browser started with --remote-debugging-port); tests install their own.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace shell {

class BrowserPage {
public:
    virtual ~BrowserPage() = default;
    // The page's title (its location name).
    virtual std::string Title() = 0;
    // True when the page holds an HTML document.
    virtual bool IsHtml() = 0;
    // The text of every element with that tag name, in document order.
    virtual std::vector<std::string> TextsOfTag(const std::string& tag) = 0;
    // The value of the first element with that name attribute (its current
    // value, "" when it has none); nullopt when the document has no such
    // element.
    virtual std::optional<std::string> ValueOfFirstNamed(const std::string& name) = 0;
};

class BrowserPages {
public:
    virtual ~BrowserPages() = default;
    // The open pages in the browser's order; none when no browser answers.
    virtual std::vector<std::unique_ptr<BrowserPage>> Pages() = 0;
};

// The pages of the browser whose remote-debugging interface listens on
// 127.0.0.1:port.
class DevToolsPages : public BrowserPages {
public:
    explicit DevToolsPages(int port, int timeout_ms = 5000) : port_(port), timeout_ms_(timeout_ms) {}
    std::vector<std::unique_ptr<BrowserPage>> Pages() override;

private:
    int port_;
    int timeout_ms_;
};

// The remote-debugging port used when the settings store names none.
inline constexpr int kDefaultDebuggingPort = 9222;

// Installs the provider the program reads pages from; nullptr restores the
// real one (DevToolsPages on the port passed to CurrentBrowserPages).
void SetBrowserPages(std::shared_ptr<BrowserPages> pages);
std::shared_ptr<BrowserPages> CurrentBrowserPages(int port);

namespace detail {
// The path of a page's WebSocket address when it names 127.0.0.1 (or
// localhost) and the given port; "" for any other address.
std::string LoopbackWebSocketPath(const std::string& url, int port);
}  // namespace detail

}  // namespace shell
