#include "viewer/viewer_messages.h"

#include <unistd.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <websocketpp/base64/base64.hpp>

#include "proto/arm_descriptor.h"

namespace {

using nlohmann::json;

// Texts from a client (an op's name echoed) may hold anything: never throw on them.
std::string text_of(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

void put_le(std::string& out, size_t at, uint64_t value, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) {
        out[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
    }
}

}  // namespace

std::string server_info_text(const std::string& name, const std::string& controller,
                             const std::string& session) {
    return text_of({{"op", "serverInfo"},
                    {"name", name},
                    {"capabilities", json::array()},
                    {"metadata", {{"controller", controller}}},
                    {"sessionId", session}});
}

std::string advertise_text() {
    const json channel = {
        {"id", ARM_CHANNEL_ID},
        {"topic", ARM_STATE_TOPIC},
        {"encoding", "protobuf"},
        {"schemaName", ARM_STATE_SCHEMA},
        {"schema", websocketpp::base64_encode(ARM_DESCRIPTOR_SET, ARM_DESCRIPTOR_SET_SIZE)},
        {"schemaEncoding", "protobuf"}};
    return text_of({{"op", "advertise"}, {"channels", json::array({channel})}});
}

std::string status_text(StatusLevel level, const std::string& message) {
    return text_of({{"op", "status"}, {"level", static_cast<int>(level)}, {"message", message}});
}

void message_data(std::string& out, uint32_t subscription, uint64_t log_time_ns,
                  const uint8_t* payload, size_t size) {
    out.resize(MESSAGE_DATA_HEADER);
    out[0] = static_cast<char>(MESSAGE_DATA_OPCODE);
    put_le(out, 1, subscription, 4);
    put_le(out, 5, log_time_ns, 8);
    out.append(reinterpret_cast<const char*>(payload), size);
}

void set_subscription(std::string& data, uint32_t subscription) {
    put_le(data, 1, subscription, 4);
}

std::string new_session_id() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count()) +
           "-" + std::to_string(getpid());
}
