// What a viewer may send arm_monitor --serve (viewer_messages.h says what it
// gets), and the answer to each message. A viewer only subscribes to the
// one channel and unsubscribes, picking its own subscription ids (u32):
//
//     {"op":"subscribe","subscriptions":[{"id":7,"channelId":1}]}
//     {"op":"unsubscribe","subscriptionIds":[7]}
//
// and holds at most one subscription per channel: here, one in all. Every
// other message is answered with a status error (level 2) and changes
// nothing:
//   - a text that is not a JSON object with a string "op";
//   - a subscribe whose "subscriptions" is not a list of {"id", "channelId"}
//     with values from 0 to 2^32-1, or is empty; the same of unsubscribe's
//     "subscriptionIds";
//   - an entry for a channel other than 1, with an id in use, or for the
//     channel already subscribed; an unsubscribe of an id not held (the other
//     entries of the same list are taken);
//   - the operations of what the server does not offer (it declares no
//     capability): publishing (advertise, unadvertise), parameters,
//     the connection graph, assets; and an op of no kind at all;
//   - any binary message (a viewer's message data or service call).
// Nothing a viewer sends reaches the arm.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a viewer holds.
struct ViewerSession {
    bool subscribed = false;
    uint32_t subscription = 0;  // the viewer's id of its subscription to the channel
};

// What a message gave: the statuses to send back (status_text()), and
// whether the session changed. One of the two, always.
struct ControlAnswer {
    std::vector<std::string> replies;
    bool changed = false;
};

// Take a text message's payload: the session changes as it asks, or not at all.
ControlAnswer take_control(ViewerSession& session, const std::string& text);

// The answer to a binary message: a status error.
ControlAnswer take_binary();
