// What the viewers' WebSocket protocol (subprotocol foxglove.websocket.v1)
// carries from arm_monitor --serve to a viewer, for its one channel: the
// arm's reports. Text frames are JSON objects named by their "op"; binary
// frames start with a one-byte opcode, their integers little-endian.
//
// On connect, at once:
//
//     {"op":"serverInfo","name":"arm_monitor","capabilities":[],
//      "metadata":{"controller":"192.168.1.20:8006"},"sessionId":"1733829837123456-4242"}
//     {"op":"advertise","channels":[{"id":1,"topic":"/arm/state","encoding":"protobuf",
//      "schemaName":"MainArmStateMsg","schema":"CpcICglhcm0ucHJvdG8...",
//      "schemaEncoding":"protobuf"}]}
//
// "schema" is the base64 of the arm's schema as a binary FileDescriptorSet,
// the bytes an MCAP recording's Schema holds (proto/arm_descriptor.h). No
// capability is declared: a viewer only subscribes (viewer_control.h).
//
// Then, for each report that decodes, to each subscription (binary):
//
//     01                        message data
//     07 00 00 00               the viewer's subscription id (u32), here 7
//     00 e8 8f 4b 9a 2c 06 18   the time the frame was complete, ns since the
//                               epoch (u64): an MCAP recording's log time
//     08 e9 07 ...              the payload exactly as the arm sent it, without
//                               its 4-byte length
//
// and, as the need comes, a status, level 0 info, 1 warning, 2 error:
//
//     {"op":"status","level":1,"message":"1234 messages were dropped: ..."}
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The one channel, and the levels of a status.
constexpr uint32_t ARM_CHANNEL_ID = 1;
enum class StatusLevel { INFO = 0, WARNING = 1, ERROR = 2 };

// The opcode of message data, and the bytes before its payload.
constexpr uint8_t MESSAGE_DATA_OPCODE = 0x01;
constexpr size_t MESSAGE_DATA_HEADER = 13;

// serverInfo: `name` the server's, `controller` ("ADDR:PORT") its metadata,
// `session` the session id.
std::string server_info_text(const std::string& name, const std::string& controller,
                             const std::string& session);

// advertise of the arm's channel, with its schema.
std::string advertise_text();

// A status: `message` any text (invalid UTF-8 is replaced, never refused).
std::string status_text(StatusLevel level, const std::string& message);

// Message data of `size` payload bytes into `out` (replaced):
// MESSAGE_DATA_HEADER bytes, then the payload.
void message_data(std::string& out, uint32_t subscription, uint64_t log_time_ns,
                  const uint8_t* payload, size_t size);

// Put another subscription id into message data made by message_data().
void set_subscription(std::string& data, uint32_t subscription);

// A session id: the wall clock in microseconds and the process id,
// "1733829837123456-4242", new at each start of the server.
std::string new_session_id();
