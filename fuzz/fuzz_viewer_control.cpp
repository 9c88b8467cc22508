// Any bytes as what viewers of arm_monitor --serve send in text messages,
// cut into messages at each 0xff byte (which no text holds), taken one after
// the other by one session: each must be answered or change the session,
// never both silent; every answer is a status error that reads as JSON; a
// message that changes nothing leaves the session as it was, and one that
// changes it leaves it otherwise.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "viewer/viewer_control.h"

namespace {

bool same(const ViewerSession& a, const ViewerSession& b) {
    return a.subscribed == b.subscribed && (!a.subscribed || a.subscription == b.subscription);
}

void check(ViewerSession& session, const std::string& text) {
    const ViewerSession before = session;
    const ControlAnswer answer = take_control(session, text);
    if (answer.replies.empty() && !answer.changed) __builtin_trap();
    if (answer.changed == same(before, session)) __builtin_trap();
    for (const std::string& reply : answer.replies) {
        const nlohmann::json status = nlohmann::json::parse(reply, nullptr, false);
        if (!status.is_object() || status.value("op", "") != "status") __builtin_trap();
        if (status.value("level", -1) != 2 || !status["message"].is_string()) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ViewerSession session;
    for (size_t start = 0; start <= bytes.size();) {
        const size_t end = std::min(bytes.find('\xff', start), bytes.size());
        check(session, bytes.substr(start, end - start));
        start = end + 1;
    }
    if (take_binary().replies.size() != 1) __builtin_trap();
    return 0;
}
