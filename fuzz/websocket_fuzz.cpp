// The WebSocket and HTTP readers of the browser's debugging interface, fed by
// a server on 127.0.0.1 in this process. The input's first byte picks what
// the rest is: frames sent after a good handshake (bit 0 clear), or the
// whole answer to an HTTP GET (bit 0 set), or to the handshake (bit 1 set).
// The server then ends its side, so no read waits for its deadline.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "platform/shell/websocket.h"

namespace {

class Server {
public:
    Server() {
        listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (listen_fd_ < 0 || ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listen_fd_, 4) != 0 || ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            std::abort();
        port_ = ntohs(a.sin_port);
        std::thread([this] { Run(); }).detach();
    }
    int port() const { return port_; }
    // What the next connection is answered with.
    void Answer(std::string bytes, bool handshake) {
        std::lock_guard<std::mutex> lock(mutex_);
        bytes_ = std::move(bytes);
        handshake_ = handshake;
    }

private:
    void Run() {
        for (;;) {
            const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            std::string request;
            char buf[4096];
            while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0) break;
                request.append(buf, static_cast<std::size_t>(n));
            }
            std::string answer;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                answer = bytes_;
                if (handshake_) answer = Handshake(request) + answer;
            }
            std::size_t sent = 0;
            while (sent < answer.size()) {
                const ssize_t n = ::send(fd, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<std::size_t>(n);
            }
            ::shutdown(fd, SHUT_WR);
            while (::recv(fd, buf, sizeof buf, 0) > 0) {
            }
            ::close(fd);
        }
    }
    static std::string Handshake(const std::string& request) {
        const auto k = request.find("Sec-WebSocket-Key: ");
        if (k == std::string::npos) return "";
        const auto end = request.find("\r\n", k);
        const std::string key = request.substr(k + 19, end - k - 19);
        return "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Accept: " +
               shell::detail::WebSocketAccept(key) + "\r\n\r\n";
    }

    int listen_fd_ = -1;
    int port_ = 0;
    std::mutex mutex_;
    std::string bytes_;
    bool handshake_ = true;
};

Server* server = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    server = new Server;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const unsigned mode = data[0];
    std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (mode & 1) {
        server->Answer(std::move(rest), false);
        std::string body;
        shell::LoopbackHttpGet(server->port(), "/json/list", body, 1u << 16, 2000);
        return 0;
    }
    server->Answer(std::move(rest), (mode & 2) == 0);
    shell::WebSocketClient ws;
    if (!ws.Connect(server->port(), "/devtools/page/1", 2000)) return 0;
    std::string text;
    for (int k = 0; k < 64 && ws.ReceiveText(text, 1u << 16, 2000); ++k) ws.SendText(text.substr(0, 16));
    return 0;
}
