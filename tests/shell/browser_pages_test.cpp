// The pieces the validation-page reader stands on: JSON, the loopback HTTP
// GET and WebSocket client (against a scripted server on 127.0.0.1), page
// addresses, the globe viewer's search and web-address encoding.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/shell/browser_pages.h"
#include "platform/shell/json_text.h"
#include "platform/shell/shell.h"
#include "platform/shell/websocket.h"

namespace {

namespace fs = std::filesystem;

TEST(Json, ReadsWhatTheBrowserSends) {
    shell::json::Value v;
    ASSERT_TRUE(shell::json::Parse(
        R"( [ {"id": 3, "title": "VRQ860 \u00e9\ud83d\ude00 \"q\"\n", "ok": true, "n": null, "x": -1.5e2, "a": []} ] )",
        v));
    ASSERT_EQ(v.kind, shell::json::Value::Array);
    const auto& o = v.array.at(0);
    EXPECT_EQ(o.Text("title"), "VRQ860 \xC3\xA9\xF0\x9F\x98\x80 \"q\"\n");
    EXPECT_EQ(o.Find("id")->number, 3);
    EXPECT_TRUE(o.Find("ok")->boolean);
    EXPECT_EQ(o.Find("n")->kind, shell::json::Value::Null);
    EXPECT_EQ(o.Find("x")->number, -150);
    EXPECT_EQ(o.Text("missing"), "");

    std::string deep(65, '[');
    deep += std::string(65, ']');
    for (const char* bad : {"", "[1,]", "{\"a\" 1}", "\"open", "[1] x", "\"\\ud800\"", "01x", "\"a\tb\""})
        EXPECT_FALSE(shell::json::Parse(bad, v)) << bad;
    EXPECT_FALSE(shell::json::Parse(deep, v));

    ASSERT_TRUE(shell::json::Parse(shell::json::Quote("a\"b\\c\n\x01"), v));
    EXPECT_EQ(v.string, "a\"b\\c\n\x01");
}

TEST(WebAddress, EverythingButUnreservedBytesIsEncoded) {
    EXPECT_EQ(shell::PercentEncode("49.1,-123.1"), "49.1%2C-123.1");
    EXPECT_EQ(shell::PercentEncode("49 1&x=--y #~_"), "49%201%26x%3D--y%20%23~_");
    EXPECT_EQ(shell::PercentEncode("\xC3\xA9"), "%C3%A9");
}

TEST(PageAddress, OnlyThisMachinesDebuggingPortIsUsed) {
    using shell::detail::LoopbackWebSocketPath;
    EXPECT_EQ(LoopbackWebSocketPath("ws://127.0.0.1:9222/devtools/page/AB", 9222), "/devtools/page/AB");
    EXPECT_EQ(LoopbackWebSocketPath("ws://localhost:9222/devtools/page/AB", 9222), "/devtools/page/AB");
    EXPECT_EQ(LoopbackWebSocketPath("ws://10.0.0.5:9222/devtools/page/AB", 9222), "");
    EXPECT_EQ(LoopbackWebSocketPath("ws://127.0.0.1:9333/devtools/page/AB", 9222), "");
    EXPECT_EQ(LoopbackWebSocketPath("ws://127.0.0.1:92220/x", 9222), "");
    EXPECT_EQ(LoopbackWebSocketPath("wss://127.0.0.1:9222/x", 9222), "");
    EXPECT_EQ(LoopbackWebSocketPath("", 9222), "");
}

TEST(WebSocket, AcceptValueOfTheStandardsExample) {
    EXPECT_EQ(shell::detail::WebSocketAccept("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
}

// A server on 127.0.0.1 that answers one connection by a script.
class ScriptedServer {
public:
    explicit ScriptedServer(std::function<void(int fd, const std::string& request)> script) {
        listen_fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_fd_, 1);
        socklen_t len = sizeof a;
        ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this, script] {
            const int fd = ::accept(listen_fd_, nullptr, nullptr);
            if (fd < 0) return;
            std::string request;
            char c;
            while (request.find("\r\n\r\n") == std::string::npos && ::recv(fd, &c, 1, 0) == 1) request += c;
            script(fd, request);
            ::close(fd);
        });
    }
    ~ScriptedServer() {
        ::shutdown(listen_fd_, SHUT_RDWR);
        thread_.join();
        ::close(listen_fd_);
    }
    int port() const { return port_; }

    static void Send(int fd, const std::string& s) { ::send(fd, s.data(), s.size(), MSG_NOSIGNAL); }
    static std::string Handshake(const std::string& request, bool good = true) {
        const auto k = request.find("Sec-WebSocket-Key: ");
        const std::string key = request.substr(k + 19, request.find("\r\n", k) - k - 19);
        return "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Accept: " +
               (good ? shell::detail::WebSocketAccept(key) : std::string("wrong")) + "\r\n\r\n";
    }
    static std::string Frame(int opcode, const std::string& payload, bool fin = true) {
        std::string f;
        f += static_cast<char>((fin ? 0x80 : 0) | opcode);
        if (payload.size() < 126) {
            f += static_cast<char>(payload.size());
        } else {
            f += static_cast<char>(126);
            f += static_cast<char>(payload.size() >> 8);
            f += static_cast<char>(payload.size() & 0xFF);
        }
        return f + payload;
    }
    // A frame's first bytes only, declaring a 64-bit payload length.
    static std::string Header64(int opcode, std::uint64_t length, bool fin = true) {
        std::string f;
        f += static_cast<char>((fin ? 0x80 : 0) | opcode);
        f += static_cast<char>(127);
        for (int i = 7; i >= 0; --i) f += static_cast<char>((length >> (8 * i)) & 0xFF);
        return f;
    }
    // Reads one client frame and unmasks it.
    static bool ReadFrame(int fd, int& opcode, std::string& payload) {
        unsigned char h[2];
        if (::recv(fd, h, 2, MSG_WAITALL) != 2) return false;
        opcode = h[0] & 0x0F;
        std::size_t len = h[1] & 0x7F;
        unsigned char mask[4];
        if ((h[1] & 0x80) == 0 || len >= 126 || ::recv(fd, mask, 4, MSG_WAITALL) != 4) return false;
        payload.resize(len);
        if (len && ::recv(fd, payload.data(), len, MSG_WAITALL) != static_cast<ssize_t>(len)) return false;
        for (std::size_t i = 0; i < len; ++i) payload[i] = static_cast<char>(payload[i] ^ mask[i % 4]);
        return true;
    }

private:
    int listen_fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

TEST(WebSocket, FragmentedMessageWithAPingBetween) {
    std::string pong, got_from_client;
    ScriptedServer server([&](int fd, const std::string& request) {
        ScriptedServer::Send(fd, ScriptedServer::Handshake(request) + ScriptedServer::Frame(1, "{\"id\":", false) +
                                     ScriptedServer::Frame(9, "hi") + ScriptedServer::Frame(0, "1}"));
        int op = 0;
        std::string p;
        if (ScriptedServer::ReadFrame(fd, op, p) && op == 0xA) pong = p;
        if (ScriptedServer::ReadFrame(fd, op, p) && op == 0x1) got_from_client = p;
        ScriptedServer::Send(fd, ScriptedServer::Frame(1, std::string(300, 'x')));
        ScriptedServer::Send(fd, ScriptedServer::Frame(8, ""));
    });
    shell::WebSocketClient ws;
    ASSERT_TRUE(ws.Connect(server.port(), "/devtools/page/1"));
    std::string text;
    ASSERT_TRUE(ws.ReceiveText(text));
    EXPECT_EQ(text, "{\"id\":1}");
    EXPECT_TRUE(ws.SendText("hello"));
    ASSERT_TRUE(ws.ReceiveText(text));
    EXPECT_EQ(text, std::string(300, 'x'));
    EXPECT_FALSE(ws.ReceiveText(text));  // closed by the server
    EXPECT_FALSE(ws.IsOpen());
    EXPECT_EQ(pong, "hi");
    EXPECT_EQ(got_from_client, "hello");
}

TEST(WebSocket, RefusesABadHandshakeAnOversizeMessageAndSilence) {
    {
        ScriptedServer server(
            [](int fd, const std::string& request) { ScriptedServer::Send(fd, ScriptedServer::Handshake(request, false)); });
        shell::WebSocketClient ws;
        EXPECT_FALSE(ws.Connect(server.port(), "/x"));
    }
    {
        ScriptedServer server([](int fd, const std::string& request) {
            ScriptedServer::Send(fd, ScriptedServer::Handshake(request) + ScriptedServer::Frame(1, std::string(200, 'y')));
        });
        shell::WebSocketClient ws;
        ASSERT_TRUE(ws.Connect(server.port(), "/x"));
        std::string text;
        EXPECT_FALSE(ws.ReceiveText(text, 100));
        EXPECT_FALSE(ws.IsOpen());
    }
    {
        ScriptedServer server([](int fd, const std::string& request) {
            ScriptedServer::Send(fd, ScriptedServer::Handshake(request));
            std::this_thread::sleep_for(std::chrono::milliseconds(800));
        });
        shell::WebSocketClient ws;
        ASSERT_TRUE(ws.Connect(server.port(), "/x"));
        std::string text;
        EXPECT_FALSE(ws.ReceiveText(text, 1000, 200));
    }
}

// A declared length near 2^64 once passed the size check by wrapping, and
// the client then took in whatever the server sent until the deadline. Now
// it drops the connection at the header: the server cannot push 64 MiB.
TEST(WebSocket, LengthsNear2To64AreRefusedAtTheirHeader) {
    struct Case {
        const char* name;
        std::string frames;
    } cases[] = {
        {"a continuation of 2^64 - 1 after one byte", ScriptedServer::Frame(1, "a", false) + ScriptedServer::Header64(0, ~0ull)},
        {"a continuation of 2^63 after one byte", ScriptedServer::Frame(1, "a", false) + ScriptedServer::Header64(0, 1ull << 63)},
        {"one frame of 2^64 - 1", ScriptedServer::Header64(1, ~0ull)},
    };
    constexpr std::size_t kPush = std::size_t{64} << 20;
    for (const auto& c : cases) {
        std::size_t pushed = 0;
        {
            ScriptedServer server([&](int fd, const std::string& request) {
                ScriptedServer::Send(fd, ScriptedServer::Handshake(request) + c.frames);
                const std::string chunk(std::size_t{1} << 16, 'z');
                while (pushed < kPush) {
                    const ssize_t n = ::send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL);
                    if (n <= 0) break;
                    pushed += static_cast<std::size_t>(n);
                }
            });
            shell::WebSocketClient ws;
            ASSERT_TRUE(ws.Connect(server.port(), "/x"));
            std::string text;
            EXPECT_FALSE(ws.ReceiveText(text, std::size_t{1} << 20, 5000)) << c.name;
            EXPECT_FALSE(ws.IsOpen()) << c.name;
        }
        EXPECT_LT(pushed, kPush) << c.name;
    }
}

TEST(LoopbackHttp, BodyOnlyFor200WithinTheLimit) {
    auto answer = [](std::string response) {
        return [response](int fd, const std::string&) { ScriptedServer::Send(fd, response); };
    };
    std::string body;
    {
        ScriptedServer s(answer("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n[1,2]"));
        EXPECT_TRUE(shell::LoopbackHttpGet(s.port(), "/json", body));
        EXPECT_EQ(body, "[1,2]");
    }
    {
        ScriptedServer s(answer("HTTP/1.1 200 OK\r\n\r\n[3]"));  // ends at the close
        EXPECT_TRUE(shell::LoopbackHttpGet(s.port(), "/json", body));
        EXPECT_EQ(body, "[3]");
    }
    {
        ScriptedServer s(answer("HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nno"));
        EXPECT_FALSE(shell::LoopbackHttpGet(s.port(), "/json", body));
    }
    {
        ScriptedServer s(answer("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n" + std::string(50, 'z')));
        EXPECT_FALSE(shell::LoopbackHttpGet(s.port(), "/json", body, 10));
    }
    {
        ScriptedServer s(answer("HTTP/1.1 200 OK\r\n\r\n" + std::string(50, 'z')));
        EXPECT_FALSE(shell::LoopbackHttpGet(s.port(), "/json", body, 10));
    }
}

TEST(DevToolsPages, NoBrowserMeansNoPages) {
    // A port nothing listens on: bound, never listened to.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    shell::DevToolsPages pages(ntohs(a.sin_port), 500);
    EXPECT_TRUE(pages.Pages().empty());
    ::close(fd);
}

TEST(GlobeViewer, InstallPathsFirstThenPath) {
    const fs::path dir = fs::temp_directory_path() / ("tw-viewer-" + std::to_string(::getpid()));
    fs::create_directories(dir / "opt");
    fs::create_directories(dir / "bin");
    auto exe = [](const fs::path& p) {
        std::ofstream(p) << "#!/bin/sh\n";
        ::chmod(p.c_str(), 0755);
    };
    const char* old_path = std::getenv("PATH");
    const std::string saved = old_path ? old_path : "";
    ::setenv("PATH", ("relative:" + (dir / "bin").string()).c_str(), 1);
    const std::string installed = (dir / "opt" / "googleearth").string();
    shell::SetGlobeViewerInstallPaths({(dir / "opt" / "missing").string(), installed});

    EXPECT_EQ(shell::FindGlobeViewer(), "");
    exe(dir / "bin" / "google-earth-pro");
    EXPECT_EQ(shell::FindGlobeViewer(), (dir / "bin" / "google-earth-pro").string());
    std::ofstream(installed) << "not executable";
    EXPECT_EQ(shell::FindGlobeViewer(), (dir / "bin" / "google-earth-pro").string());
    ::chmod(installed.c_str(), 0755);
    EXPECT_EQ(shell::FindGlobeViewer(), installed);

    shell::SetGlobeViewerInstallPaths({});
    ::setenv("PATH", saved.c_str(), 1);
    fs::remove_all(dir);
}

}  // namespace
