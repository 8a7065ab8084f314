// Talking to a local program over TCP on 127.0.0.1 only: one HTTP GET, and a
// WebSocket client for text messages (RFC 6455). Every read is bounded in
// size and time, so a program that misbehaves cannot hold the caller.
#pragma once

#include <cstddef>
#include <string>

namespace shell {

// The body of GET path from 127.0.0.1:port when the answer is "200". False
// when the port does not answer, on any other status, on a body larger than
// max_bytes or when the answer takes longer than timeout_ms.
bool LoopbackHttpGet(int port, const std::string& path, std::string& body, std::size_t max_bytes = 4u << 20,
                     int timeout_ms = 5000);

class WebSocketClient {
public:
    WebSocketClient() = default;
    ~WebSocketClient();
    WebSocketClient(const WebSocketClient&) = delete;
    WebSocketClient& operator=(const WebSocketClient&) = delete;

    // Opens ws://127.0.0.1:port<path>; false when the port does not answer
    // or the server's handshake is not a valid WebSocket acceptance.
    bool Connect(int port, const std::string& path, int timeout_ms = 5000);
    bool IsOpen() const { return fd_ >= 0; }
    // Sends one text message (masked, as a client must).
    bool SendText(const std::string& text);
    // Waits for the next whole text message; pings are answered, binary
    // messages skipped. False (and the connection closed) on the server's
    // close, an error, a message over max_bytes or a wait over timeout_ms.
    bool ReceiveText(std::string& text, std::size_t max_bytes = 16u << 20, int timeout_ms = 5000);
    // Sends a close frame and closes the connection.
    void Close();

private:
    int fd_ = -1;
    std::string pending_;  // bytes read past what was needed so far

    bool SendFrame(int opcode, const std::string& payload);
    bool ReadExact(std::size_t n, std::string& out, long long deadline_ms);
    void Drop();
};

namespace detail {
// The handshake's accept value for a key: base64 of SHA-1 of key + GUID.
std::string WebSocketAccept(const std::string& key);
std::string Base64(const unsigned char* data, std::size_t n);
}  // namespace detail

}  // namespace shell
