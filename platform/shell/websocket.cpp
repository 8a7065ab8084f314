#include "platform/shell/websocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

namespace shell {

namespace {

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int Remaining(long long deadline) {
    const long long left = deadline - NowMs();
    return left <= 0 ? 0 : static_cast<int>(left);
}

// Waits until fd is ready for events, at most until the deadline.
bool WaitFor(int fd, short events, long long deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, Remaining(deadline));
        if (r > 0) return (p.revents & (events | POLLHUP | POLLERR)) != 0;
        if (r == 0) return false;
        if (errno != EINTR) return false;
    }
}

// A non-blocking connection to 127.0.0.1:port, or -1.
int ConnectLoopback(int port, long long deadline) {
    if (port <= 0 || port > 65535) return -1;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EINPROGRESS || !WaitFor(fd, POLLOUT, deadline)) {
            ::close(fd);
            return -1;
        }
        int err = 0;
        socklen_t len = sizeof err;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) {
            ::close(fd);
            return -1;
        }
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

bool SendAll(int fd, const std::string& data, long long deadline) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!WaitFor(fd, POLLOUT, deadline)) return false;
        } else {
            return false;
        }
    }
    return true;
}

// Reads what is there (waiting for something until the deadline); 0 at the
// peer's end, -1 on error or time-out.
ssize_t ReadSome(int fd, char* buf, std::size_t size, long long deadline) {
    for (;;) {
        const ssize_t n = ::recv(fd, buf, size, 0);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        if (!WaitFor(fd, POLLIN, deadline)) return -1;
    }
}

std::string LowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string TrimBlanks(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// The status code and the headers (names lower-cased) of an HTTP head.
bool ParseHead(const std::string& head, int& status, std::vector<std::pair<std::string, std::string>>& headers) {
    std::size_t eol = head.find("\r\n");
    const std::string first = head.substr(0, eol);
    if (first.compare(0, 5, "HTTP/") != 0) return false;
    const auto sp = first.find(' ');
    if (sp == std::string::npos || sp + 4 > first.size()) return false;
    status = 0;
    for (std::size_t i = sp + 1; i < sp + 4; ++i) {
        if (first[i] < '0' || first[i] > '9') return false;
        status = status * 10 + (first[i] - '0');
    }
    while (eol != std::string::npos && eol + 2 < head.size()) {
        const std::size_t start = eol + 2;
        eol = head.find("\r\n", start);
        const std::string line = head.substr(start, eol == std::string::npos ? std::string::npos : eol - start);
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        headers.emplace_back(LowerAscii(TrimBlanks(line.substr(0, colon))), TrimBlanks(line.substr(colon + 1)));
    }
    return true;
}

std::string Header(const std::vector<std::pair<std::string, std::string>>& headers, const std::string& name) {
    for (const auto& [k, v] : headers)
        if (k == name) return v;
    return "";
}

// Reads up to the blank line that ends an HTTP head; the rest goes to `rest`.
bool ReadHead(int fd, std::string& head, std::string& rest, long long deadline) {
    constexpr std::size_t kMaxHead = 16 * 1024;
    std::string data;
    char buf[4096];
    for (;;) {
        const auto end = data.find("\r\n\r\n");
        if (end != std::string::npos) {
            head = data.substr(0, end + 2);
            rest = data.substr(end + 4);
            return true;
        }
        if (data.size() > kMaxHead) return false;
        const ssize_t n = ReadSome(fd, buf, sizeof buf, deadline);
        if (n <= 0) return false;
        data.append(buf, static_cast<std::size_t>(n));
    }
}

// SHA-1 (FIPS 180-4), for the handshake only.
std::array<unsigned char, 20> Sha1(const std::string& msg) {
    uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::string m = msg;
    const uint64_t bits = static_cast<uint64_t>(msg.size()) * 8;
    m += static_cast<char>(0x80);
    while (m.size() % 64 != 56) m += '\0';
    for (int i = 7; i >= 0; --i) m += static_cast<char>((bits >> (i * 8)) & 0xFF);
    auto rol = [](uint32_t x, int n) { return (x << n) | (x >> (32 - n)); };
    for (std::size_t off = 0; off < m.size(); off += 64) {
        uint32_t w[80];
        for (int i = 0; i < 16; ++i) {
            w[i] = 0;
            for (int j = 0; j < 4; ++j) w[i] = (w[i] << 8) | static_cast<unsigned char>(m[off + i * 4 + j]);
        }
        for (int i = 16; i < 80; ++i) w[i] = rol(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6;
            }
            const uint32_t t = rol(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = rol(b, 30);
            b = a;
            a = t;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    std::array<unsigned char, 20> out{};
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j) out[static_cast<std::size_t>(i * 4 + j)] = static_cast<unsigned char>(h[i] >> (24 - 8 * j));
    return out;
}

std::mt19937& Random() {
    static std::mt19937 gen{std::random_device{}()};
    return gen;
}

}  // namespace

namespace detail {

std::string Base64(const unsigned char* data, std::size_t n) {
    static const char* const table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < n; i += 3) {
        uint32_t v = static_cast<uint32_t>(data[i]) << 16;
        if (i + 1 < n) v |= static_cast<uint32_t>(data[i + 1]) << 8;
        if (i + 2 < n) v |= data[i + 2];
        out += table[(v >> 18) & 63];
        out += table[(v >> 12) & 63];
        out += i + 1 < n ? table[(v >> 6) & 63] : '=';
        out += i + 2 < n ? table[v & 63] : '=';
    }
    return out;
}

std::string WebSocketAccept(const std::string& key) {
    const auto digest = Sha1(key + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11");
    return Base64(digest.data(), digest.size());
}

}  // namespace detail

bool LoopbackHttpGet(int port, const std::string& path, std::string& body, std::size_t max_bytes, int timeout_ms) {
    body.clear();
    const long long deadline = NowMs() + timeout_ms;
    const int fd = ConnectLoopback(port, deadline);
    if (fd < 0) return false;
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                "\r\nConnection: close\r\nAccept: application/json\r\n\r\n";
    bool ok = false;
    std::string head, data;
    int status = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    if (SendAll(fd, request, deadline) && ReadHead(fd, head, data, deadline) && ParseHead(head, status, headers) &&
        status == 200 && LowerAscii(Header(headers, "transfer-encoding")).find("chunked") == std::string::npos) {
        const std::string length_text = Header(headers, "content-length");
        std::size_t length = 0;
        bool has_length = !length_text.empty();
        for (char c : length_text) {
            if (c < '0' || c > '9' || length > max_bytes) {
                has_length = false;
                length = max_bytes + 1;
                break;
            }
            length = length * 10 + static_cast<std::size_t>(c - '0');
        }
        if (length <= max_bytes) {
            char buf[8192];
            ok = true;
            while (!has_length || data.size() < length) {
                if (data.size() > max_bytes) {
                    ok = false;
                    break;
                }
                const ssize_t n = ReadSome(fd, buf, sizeof buf, deadline);
                if (n == 0 && !has_length) break;
                if (n <= 0) {
                    ok = false;
                    break;
                }
                data.append(buf, static_cast<std::size_t>(n));
            }
            if (ok && has_length) data.resize(length);
            if (ok && data.size() > max_bytes) ok = false;
        }
    }
    ::close(fd);
    if (ok) body = std::move(data);
    return ok;
}

WebSocketClient::~WebSocketClient() {
    Close();
}

void WebSocketClient::Drop() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pending_.clear();
}

bool WebSocketClient::Connect(int port, const std::string& path, int timeout_ms) {
    Drop();
    if (path.empty() || path.front() != '/' || path.find_first_of("\r\n ") != std::string::npos) return false;
    const long long deadline = NowMs() + timeout_ms;
    const int fd = ConnectLoopback(port, deadline);
    if (fd < 0) return false;
    unsigned char nonce[16];
    for (auto& b : nonce) b = static_cast<unsigned char>(Random()() & 0xFF);
    const std::string key = detail::Base64(nonce, sizeof nonce);
    // No Origin header: the browser accepts tools that send none.
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: " + key +
                                "\r\nSec-WebSocket-Version: 13\r\n\r\n";
    std::string head, rest;
    int status = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    if (!SendAll(fd, request, deadline) || !ReadHead(fd, head, rest, deadline) || !ParseHead(head, status, headers) ||
        status != 101 || LowerAscii(Header(headers, "upgrade")) != "websocket" ||
        Header(headers, "sec-websocket-accept") != detail::WebSocketAccept(key)) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    pending_ = std::move(rest);
    return true;
}

bool WebSocketClient::SendFrame(int opcode, const std::string& payload) {
    if (fd_ < 0) return false;
    std::string frame;
    frame += static_cast<char>(0x80 | opcode);
    const std::size_t n = payload.size();
    if (n < 126) {
        frame += static_cast<char>(0x80 | n);
    } else if (n <= 0xFFFF) {
        frame += static_cast<char>(0x80 | 126);
        frame += static_cast<char>((n >> 8) & 0xFF);
        frame += static_cast<char>(n & 0xFF);
    } else {
        frame += static_cast<char>(0x80 | 127);
        for (int i = 7; i >= 0; --i) frame += static_cast<char>((static_cast<uint64_t>(n) >> (i * 8)) & 0xFF);
    }
    unsigned char mask[4];
    for (auto& b : mask) b = static_cast<unsigned char>(Random()() & 0xFF);
    frame.append(reinterpret_cast<const char*>(mask), 4);
    for (std::size_t i = 0; i < n; ++i) frame += static_cast<char>(payload[i] ^ static_cast<char>(mask[i % 4]));
    if (SendAll(fd_, frame, NowMs() + 5000)) return true;
    Drop();
    return false;
}

bool WebSocketClient::SendText(const std::string& text) {
    return SendFrame(0x1, text);
}

bool WebSocketClient::ReadExact(std::size_t n, std::string& out, long long deadline_ms) {
    char buf[16384];
    while (pending_.size() < n) {
        const ssize_t got = ReadSome(fd_, buf, sizeof buf, deadline_ms);
        if (got <= 0) return false;
        pending_.append(buf, static_cast<std::size_t>(got));
    }
    out.assign(pending_, 0, n);
    pending_.erase(0, n);
    return true;
}

bool WebSocketClient::ReceiveText(std::string& text, std::size_t max_bytes, int timeout_ms) {
    text.clear();
    if (fd_ < 0) return false;
    const long long deadline = NowMs() + timeout_ms;
    std::string message;
    int message_opcode = -1;  // -1: no message begun
    for (;;) {
        std::string h;
        if (!ReadExact(2, h, deadline)) break;
        const auto b0 = static_cast<unsigned char>(h[0]);
        const auto b1 = static_cast<unsigned char>(h[1]);
        const bool fin = (b0 & 0x80) != 0;
        const int opcode = b0 & 0x0F;
        // A server never masks, and sets no extension bits we did not ask for.
        if ((b1 & 0x80) != 0 || (b0 & 0x70) != 0) break;
        uint64_t len = b1 & 0x7F;
        if (len >= 126) {
            std::string ext;
            if (!ReadExact(len == 126 ? 2 : 8, ext, deadline)) break;
            len = 0;
            for (char c : ext) len = (len << 8) | static_cast<unsigned char>(c);
        }
        const bool control = opcode >= 0x8;
        if (control && (!fin || len > 125)) break;
        // As a difference: message.size() + len wraps for a declared length
        // near 2^64 and would let the peer fill memory until the deadline.
        if (!control && (message.size() > max_bytes || len > max_bytes - message.size())) break;
        std::string payload;
        if (!ReadExact(static_cast<std::size_t>(len), payload, deadline)) break;
        if (opcode == 0x9) {  // ping
            if (!SendFrame(0xA, payload)) return false;
            continue;
        }
        if (opcode == 0xA) continue;  // pong
        if (opcode == 0x8) {          // close
            SendFrame(0x8, payload.substr(0, 2));
            break;
        }
        if (opcode == 0x0) {
            if (message_opcode < 0) break;
        } else if (opcode == 0x1 || opcode == 0x2) {
            if (message_opcode >= 0) break;
            message_opcode = opcode;
        } else {
            break;
        }
        message += payload;
        if (!fin) continue;
        if (message_opcode == 0x1) {
            text = std::move(message);
            return true;
        }
        message.clear();
        message_opcode = -1;
    }
    Drop();
    return false;
}

void WebSocketClient::Close() {
    if (fd_ < 0) return;
    const std::string code("\x03\xE8", 2);  // 1000: normal closure
    SendFrame(0x8, code);
    Drop();
}

}  // namespace shell
