// One viewer of arm_monitor --serve: its WebSocket (websocket_link.h), what it
// subscribed (viewer_control.h), what was sent to it and dropped, and its
// deadlines. The server (viewer_server.h) holds them in a list.
//
// Its socket is written at most every WRITES_APART: the reports of a fast
// arm (1 kHz) go three or four to a write, so that a viewer wakes, and the
// monitor pays for waking it, a third as often; a report waits at most
// 2 x WRITES_APART (it goes with the next, or when none comes).
//
// Its queue is bounded: a message that would take what waits for its socket
// past VIEWER_QUEUE_BYTES is dropped for this viewer alone and counted, and
// once its queue has room again the viewer is told, at most once a second:
//
//     {"op":"status","level":1,"message":"1234 messages were dropped: this
//      viewer did not keep up with the arm's reports"}
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "console/interrupt.h"
#include "viewer/viewer_control.h"
#include "websocket/websocket_link.h"

constexpr size_t VIEWER_QUEUE_BYTES = 1024 * 1024;
constexpr std::chrono::seconds HANDSHAKE_WITHIN{10};  // from the connection
constexpr std::chrono::seconds CLOSE_WITHIN{2};       // from the start of the close handshake
constexpr std::chrono::seconds WARN_AT_MOST_EVERY{1};
constexpr std::chrono::milliseconds WRITES_APART{3};  // a viewer's socket written at most so often

// What each viewer gets at once when its handshake completes.
struct ViewerGreeting {
    std::string server_info;  // viewer_messages.h
    std::string advertise;
};

struct Viewer {
    std::unique_ptr<WebSocketLink> link;
    std::string address;  // "ADDR:PORT"
    ViewerSession session;
    bool opened = false;  // its handshake completed
    Deadline handshake_until = Deadline::max();
    Deadline close_until = Deadline::max();  // set once its close handshake began
    uint64_t sent = 0;
    uint64_t dropped = 0;
    uint64_t unwarned = 0;   // dropped since the last warning
    Deadline warn_after{};   // no warning before
    Deadline write_after{};  // its data held until then (WRITES_APART)
};

// A viewer on `socket` (accepted); `full`: refused with 503, no room for it.
std::unique_ptr<Viewer> new_viewer(OwnedFd socket, bool full, Deadline now);

// What the viewer sent since the last time: its opening gets the greeting,
// each message its answer.
void take_input(Viewer& viewer, const ViewerGreeting& greeting);

// Send message data (message_data()) to a subscribed viewer with its
// subscription id, or drop it and count it when the queue has no room.
// Within WRITES_APART of the last write to its socket it is held, and goes
// with the next.
void send_data(Viewer& viewer, std::string& data, Deadline now);

// The drop warning when due, and the end of a handshake or a close that
// took too long.
void tend_viewer(Viewer& viewer, Deadline now);

// When tend_viewer() has something to do next (Deadline::max(): nothing).
Deadline viewer_due(const Viewer& viewer);

// "viewer ADDR:PORT left: N messages sent, D dropped"
std::string viewer_left_text(const Viewer& viewer);
