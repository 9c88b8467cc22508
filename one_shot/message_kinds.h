// The messages a one-shot console knows: the request it sends and the
// answers it reads (and, for the arm, the reports of its report port), each
// shown from its bytes with an option of its own, and described:
//
//     board_console --decode 05009201020801           chassis { cmd: UNLOCK }
//     board_console --decode-answer 02000807          resp_id: 7
//     arm_console --json --decode-report 00000002...  {"timestamp":"5"}
//
// HEX is a whole frame when its header declares the bytes that follow it,
// else the payload alone. The message prints on one line in the text format
// (prototext/text_writer.h), or as JSON with --json (protojson/); nothing is
// connected. Bytes that are not hex, or that do not decode as that message,
// are refused with the reason (status 255).
#pragma once

#include <pb.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/frame.h"
#include "protojson/json_writer.h"
#include "prototext/text_schema.h"

struct MessageKind {
    const char* option;   // "--decode-answer"
    const char* meaning;  // its line in --help
    const pb_msgdesc_t* fields;
    // Decode a payload into a record of this kind (its texts bound), then
    // write it into `out`: the text format, or JSON. False, with why, when
    // it does not decode.
    bool (*show)(const pb_msgdesc_t* fields, const uint8_t* payload, size_t size, bool json,
                 std::string& out, std::string& why);
    // Its fields, as --describe lists them.
    std::string (*describe)(const pb_msgdesc_t* fields);
};

// A record without texts of its own to bind (a request), held as an answer
// holds its record.
template <typename Record>
struct PlainRecord {
    Record record{};
};

// Decode and write one message in a holder of its record (BoardReply,
// ArmReport, PlainRecord<...>): the text format or JSON.
bool show_record(const pb_msgdesc_t* fields, void* record, const uint8_t* payload, size_t size,
                 bool json, std::string& out, std::string& why);

template <typename Holder>
bool show_as(const pb_msgdesc_t* fields, const uint8_t* payload, size_t size, bool json,
             std::string& out, std::string& why) {
    Holder holder;
    return show_record(fields, &holder.record, payload, size, json, out, why);
}

template <typename Holder>
std::string describe_as(const pb_msgdesc_t* fields) {
    Holder holder;
    return describe_message(fields, &holder.record);
}

// Say on the console (standard error with --json) which strings held bytes
// that are not UTF-8, replaced in the JSON by U+FFFD.
void note_replaced_bytes(const JsonNotes& notes);

// `hex` as a message of `kind` (framed as `format`), printed on standard
// output; the exit status.
int decode_hex(const MessageKind& kind, FrameFormat format, const std::string& hex, bool json);

// Every kind described, one after another.
std::string describe_kinds(const std::vector<MessageKind>& kinds);
