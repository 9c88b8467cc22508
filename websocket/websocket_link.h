// One peer's WebSocket over a connected, non-blocking socket of its own:
// websocketpp's server connection on its iostream transport, driven by hand.
// No thread, no timer, no wait: the owner's one wait says when the socket is
// ready (events()), and the owner keeps the deadlines.
//
//   - The handshake: a request that asks for `subprotocol` is answered 101
//     with it; one that does not is refused (400), and so is a plain HTTP
//     request; with `full` set every request gets 503 (no room for another).
//   - Messages of at most MAX_LINK_MESSAGE bytes: a larger frame closes
//     the link (1009, message too big).
//   - What is sent is written to the socket at once, as much as it takes;
//     the rest waits in a queue (queued()) that write_queued() writes as the
//     socket takes it. The owner bounds the queue: nothing here refuses.
//     A message sent HELD waits in the queue, and what was queued with it,
//     until the owner writes it (write_queued()) or sends one at once: so
//     that many small messages go out in one write.
//   - The link is DONE once its socket is closed: by the peer, by a failed
//     read or write, by drop(), or once websocketpp has ended the connection
//     (a close handshake, a refused request) and all that was queued is out.
// Nothing throws out of it: websocketpp's exceptions and std::bad_alloc
// drop the link.
//
//     WebSocketLink link(OwnedFd(accepted), "foxglove.websocket.v1", false);
//     link.read();                            // when the socket is readable
//     if (link.input().opened) link.send_text(R"({"op":"serverInfo",...})");
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/file_writing.h"

constexpr size_t MAX_LINK_MESSAGE = 64 * 1024;

class WebSocketLink {
  public:
    enum class State { HANDSHAKE, OPEN, CLOSING, DONE };
    enum class Write { AT_ONCE, HELD };

    // What came from the peer since the owner last emptied it.
    struct Input {
        bool opened = false;             // the handshake completed
        std::vector<std::string> texts;  // text messages' payloads
        size_t binaries = 0;             // binary messages
    };

    WebSocketLink(OwnedFd socket, const std::string& subprotocol, bool full);
    ~WebSocketLink();
    WebSocketLink(const WebSocketLink&) = delete;
    WebSocketLink& operator=(const WebSocketLink&) = delete;

    int fd() const;
    State state() const;
    // POLLIN, and POLLOUT while bytes are queued and not held (0 once DONE).
    short events() const;

    // Take what the socket holds now (a bounded amount) and hand it on.
    void read();
    Input& input();

    // Send a message (OPEN only; false when it could not be).
    bool send_text(const std::string& text);
    bool send_binary(const std::string& bytes, Write when = Write::AT_ONCE);
    // Begin the close handshake with `code` (OPEN), or drop a link that is
    // not open.
    void close(uint16_t code, const std::string& reason);
    // Close the socket now.
    void drop();

    size_t queued() const;
    bool holding() const;  // a HELD message waits for write_queued()
    // Write what the socket takes now of the queue, held or not.
    void write_queued();

  private:
    struct Inner;
    std::unique_ptr<Inner> inner_;
};
