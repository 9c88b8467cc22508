// A WebSocket client made by hand for the tests of arm_monitor --serve: it
// sends exactly the bytes a test names (a handshake, a masked frame, plain
// HTTP, a frame too large) to 127.0.0.1 and reads back what came, frame by
// frame, so that a test sees the server's answer to each byte it sent.
#pragma once

#include <cstdint>
#include <string>

struct WsFrame {
    int opcode = -1;  // 1 text, 2 binary, 8 close, 10 pong; -1: the link closed or nothing came
    std::string payload;
};

class RawViewer {
  public:
    // Connect to 127.0.0.1:port; a `receive_buffer` (bytes) keeps the kernel
    // from holding much for a viewer that stops reading.
    explicit RawViewer(uint16_t port, int receive_buffer = 0);
    ~RawViewer();
    RawViewer(const RawViewer&) = delete;
    RawViewer& operator=(const RawViewer&) = delete;

    // Send the opening handshake, asking for `protocol` ("" asks for none),
    // and return the answer's head, up to its blank line ("" when none came).
    std::string handshake(const std::string& protocol = "foxglove.websocket.v1");
    // The same after a handshake that asked for the viewers' subprotocol:
    // the serverInfo and advertise texts read past.
    bool open_and_greeted();

    void send_raw(const std::string& bytes);
    // One whole frame, masked as a client's are.
    void send_frame(int opcode, const std::string& payload);
    void send_text(const std::string& text) { send_frame(1, text); }

    // The next frame, within `seconds`.
    WsFrame read_frame(int seconds = 10);
    // Frames until a text holding `text`, within `seconds`; "" when none.
    std::string read_text_holding(const std::string& text, int seconds = 10);
    // True when the server closed the link within `seconds` (what came before is skipped).
    bool closed_within(int seconds);
    // What came before the link closed or `seconds` passed, as it came.
    std::string read_all(int seconds);

  private:
    bool fill(int milliseconds);  // more bytes into buffered_; false when none came
    int link_ = -1;
    std::string buffered_;
    bool closed_ = false;
};

// The status line of a server's answer: "HTTP/1.1 400 Bad Request".
std::string status_line(const std::string& head);
