#include "viewer/viewer_control.h"

#include <limits>
#include <nlohmann/json.hpp>

#include "viewer/viewer_messages.h"

namespace {

using nlohmann::json;

// The operations of what a read-only stream does not offer, by the
// capability that would declare them.
struct Undeclared {
    const char* op;
    const char* what;
};
const Undeclared UNDECLARED[] = {
    {"advertise", "client publishing"},
    {"unadvertise", "client publishing"},
    {"getParameters", "parameters"},
    {"setParameters", "parameters"},
    {"subscribeParameterUpdates", "parameters"},
    {"unsubscribeParameterUpdates", "parameters"},
    {"subscribeConnectionGraph", "the connection graph"},
    {"unsubscribeConnectionGraph", "the connection graph"},
    {"fetchAsset", "assets"},
};

bool is_u32(const json& value) {
    return value.is_number_unsigned() &&
           value.get<uint64_t>() <= std::numeric_limits<uint32_t>::max();
}

uint32_t u32(const json& value) {
    return static_cast<uint32_t>(value.get<uint64_t>());
}

void refuse(ControlAnswer& answer, const std::string& why) {
    answer.replies.push_back(status_text(StatusLevel::ERROR, why));
}

// A text of the client's, short enough for a status line.
std::string quoted(const json& value) {
    std::string text = value.dump(-1, ' ', false, json::error_handler_t::replace);
    return text.size() <= 64 ? text : text.substr(0, 61) + "...";
}

void subscribe(ViewerSession& session, const json& message, ControlAnswer& answer) {
    const auto list = message.find("subscriptions");
    bool well_formed = list != message.end() && list->is_array() && !list->empty();
    for (size_t i = 0; well_formed && i < list->size(); ++i) {
        const json& entry = (*list)[i];
        well_formed = entry.is_object() && entry.contains("id") && is_u32(entry["id"]) &&
                      entry.contains("channelId") && is_u32(entry["channelId"]);
    }
    if (!well_formed) {
        return refuse(answer,
                      "malformed subscribe: \"subscriptions\" must be a list of {\"id\", "
                      "\"channelId\"}, each a whole number from 0 to 4294967295");
    }
    for (const json& entry : *list) {
        const uint32_t id = u32(entry["id"]);
        const uint32_t channel = u32(entry["channelId"]);
        if (channel != ARM_CHANNEL_ID) {
            refuse(answer, "subscribe: no channel " + std::to_string(channel) +
                               " (channel 1 is the arm's reports)");
        } else if (session.subscribed && session.subscription == id) {
            refuse(answer, "subscribe: subscription id " + std::to_string(id) + " is in use");
        } else if (session.subscribed) {
            refuse(answer, "subscribe: channel 1 is subscribed already, as subscription " +
                               std::to_string(session.subscription));
        } else {
            session.subscribed = true;
            session.subscription = id;
            answer.changed = true;
        }
    }
}

void unsubscribe(ViewerSession& session, const json& message, ControlAnswer& answer) {
    const auto list = message.find("subscriptionIds");
    bool well_formed = list != message.end() && list->is_array() && !list->empty();
    for (size_t i = 0; well_formed && i < list->size(); ++i) well_formed = is_u32((*list)[i]);
    if (!well_formed) {
        return refuse(answer,
                      "malformed unsubscribe: \"subscriptionIds\" must be a list of whole "
                      "numbers from 0 to 4294967295");
    }
    for (const json& entry : *list) {
        const uint32_t id = u32(entry);
        if (session.subscribed && session.subscription == id) {
            session.subscribed = false;
            answer.changed = true;
        } else {
            refuse(answer, "unsubscribe: no subscription " + std::to_string(id));
        }
    }
}

void take(ViewerSession& session, const std::string& text, ControlAnswer& answer) {
    const json message = json::parse(text, nullptr, false);
    const auto op = message.is_object() ? message.find("op") : message.end();
    if (!message.is_object() || op == message.end() || !op->is_string()) {
        return refuse(answer, "malformed message: not a JSON object with a string \"op\"");
    }
    const std::string& name = op->get_ref<const std::string&>();
    if (name == "subscribe") return subscribe(session, message, answer);
    if (name == "unsubscribe") return unsubscribe(session, message, answer);
    for (const Undeclared& undeclared : UNDECLARED) {
        if (name == undeclared.op) {
            return refuse(answer, std::string(undeclared.op) +
                                      " refused: this server does not offer " + undeclared.what);
        }
    }
    refuse(answer, "unknown op: " + quoted(*op));
}

}  // namespace

ControlAnswer take_control(ViewerSession& session, const std::string& text) {
    ControlAnswer answer;
    const ViewerSession before = session;
    try {
        take(session, text, answer);
    } catch (const std::exception&) {  // nlohmann's, std::bad_alloc
        session = before;
        answer = ControlAnswer{};
        answer.replies.push_back(
            status_text(StatusLevel::ERROR, "the message could not be taken: too large"));
    }
    return answer;
}

ControlAnswer take_binary() {
    ControlAnswer answer;
    refuse(answer,
           "binary messages are not taken: this server offers no publishing and no services");
    return answer;
}
