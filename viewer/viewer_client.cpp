#include "viewer/viewer_client.h"

#include "serve/listener.h"
#include "viewer/viewer_messages.h"

namespace {

constexpr size_t STATUS_ROOM = 256;  // what a status warning takes of the queue, and more

bool has_room(const Viewer& viewer, size_t bytes) {
    return viewer.link->queued() + bytes <= VIEWER_QUEUE_BYTES;
}

// A reply to the viewer, unless its queue is full (it does not read them either).
void reply(Viewer& viewer, const std::string& text) {
    if (has_room(viewer, text.size() + STATUS_ROOM)) viewer.link->send_text(text);
}

void warn_if_due(Viewer& viewer, Deadline now) {
    if (viewer.unwarned == 0 || now < viewer.warn_after || !has_room(viewer, STATUS_ROOM)) return;
    reply(viewer, status_text(StatusLevel::WARNING,
                              std::to_string(viewer.unwarned) +
                                  " messages were dropped: this viewer did not keep up with the "
                                  "arm's reports"));
    viewer.unwarned = 0;
    viewer.warn_after = now + WARN_AT_MOST_EVERY;
}

}  // namespace

std::unique_ptr<Viewer> new_viewer(OwnedFd socket, bool full, Deadline now) {
    auto viewer = std::make_unique<Viewer>();
    viewer->address = peer_address(socket.get());
    viewer->link =
        std::make_unique<WebSocketLink>(std::move(socket), "foxglove.websocket.v1", full);
    viewer->handshake_until = now + HANDSHAKE_WITHIN;
    return viewer;
}

void take_input(Viewer& viewer, const ViewerGreeting& greeting) {
    WebSocketLink::Input& input = viewer.link->input();
    if (input.opened) {
        input.opened = false;
        viewer.opened = true;
        viewer.handshake_until = Deadline::max();
        viewer.link->send_text(greeting.server_info);
        viewer.link->send_text(greeting.advertise);
    }
    for (const std::string& text : input.texts) {
        for (const std::string& answer : take_control(viewer.session, text).replies) {
            reply(viewer, answer);
        }
    }
    input.texts.clear();
    for (; input.binaries > 0; --input.binaries) reply(viewer, take_binary().replies.front());
    // The pongs websocketpp answers pings with are not bounded as the rest is:
    // a viewer that pings and does not read the answers is let go.
    if (viewer.link->queued() > 2 * VIEWER_QUEUE_BYTES) viewer.link->drop();
}

void send_data(Viewer& viewer, std::string& data, Deadline now) {
    WebSocketLink& link = *viewer.link;
    const bool write = now >= viewer.write_after;
    if (write && link.queued() > 0) link.write_queued();
    if (viewer.unwarned > 0) warn_if_due(viewer, now);
    if (!has_room(viewer, data.size() + STATUS_ROOM)) {
        ++viewer.dropped;
        ++viewer.unwarned;
        return;
    }
    set_subscription(data, viewer.session.subscription);
    if (link.send_binary(data, write ? WebSocketLink::Write::AT_ONCE : WebSocketLink::Write::HELD))
        ++viewer.sent;
    if (write) viewer.write_after = now + WRITES_APART;
}

void tend_viewer(Viewer& viewer, Deadline now) {
    const WebSocketLink::State state = viewer.link->state();
    if (state == WebSocketLink::State::CLOSING && viewer.close_until == Deadline::max()) {
        viewer.close_until = now + CLOSE_WITHIN;
    }
    if (now >= viewer.handshake_until || now >= viewer.close_until) viewer.link->drop();
    if (state == WebSocketLink::State::OPEN) warn_if_due(viewer, now);
    if (viewer.link->holding() && now >= viewer.write_after) {
        viewer.link->write_queued();
        viewer.write_after = now + WRITES_APART;
    }
}

Deadline viewer_due(const Viewer& viewer) {
    Deadline due = std::min(viewer.handshake_until, viewer.close_until);
    if (viewer.unwarned > 0 && has_room(viewer, STATUS_ROOM))
        due = std::min(due, viewer.warn_after);
    // Held data goes with the next report; this only when none comes soon.
    if (viewer.link->holding()) due = std::min(due, viewer.write_after + WRITES_APART);
    return due;
}

std::string viewer_left_text(const Viewer& viewer) {
    return "viewer " + viewer.address + " left: " + std::to_string(viewer.sent) +
           " messages sent, " + std::to_string(viewer.dropped) + " dropped";
}
