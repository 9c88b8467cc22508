// A record of either schema in the protocol-buffers JSON mapping, as the
// official library prints it by default, on one line:
//
//     {"reqType":2,"angles":{"angle":[0.5,-1.25,"NaN"]},"timestamp":"1796740442079"}
//     {"powerCmd":{"channel":6,"onOff":1}}
//
// Fields by their JSON names (json_names.h), in the schema's order, each value
// as json_values.h writes it; a message as an object, a repeated field as an
// array; written as the walk goes, with no document built. A field is left out where it would not
// be encoded (a proto3 scalar at zero, a message not present, an empty repeated field), as the text
// writer leaves it out: both walk the record with for_each_value()
// (prototext/text_writer.h). A oneof member that is set is written even at
// zero ("enable":false). Enumerated fields are integers in these schemas and
// are written as numbers. A string held by a callback is written where its
// text arrived in a text_buffer.
//
// Strings are escaped by nlohmann (ESC as "\u001b"). A string that is not
// UTF-8 is written with its bad bytes replaced by U+FFFD (nlohmann's
// replacement: one U+FFFD for each bad sequence), and JsonNotes says so.
//
// json_reader.h reads this form back.
#pragma once

#include <pb.h>

#include <cstddef>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

// What the caller should tell about a record written as JSON.
struct JsonNotes {
    size_t replaced_bytes = 0;        // bytes that were not UTF-8, replaced by U+FFFD
    std::vector<std::string> fields;  // the strings that held them: "errorInfo.message"
};

// `record` of the message `descriptor` as a JSON object appended to `out`,
// for a line of many (the monitor's, a thousand a second), notes added to
// `notes`. May throw std::bad_alloc, as any text that grows.
void append_message_json(std::string& out, const pb_msgdesc_t* descriptor, const void* record,
                         JsonNotes& notes);

// `record` of the message `descriptor` as a JSON object in `value`, for
// embedding in a larger one. False, with the reason in `error`, only when
// memory runs out.
bool message_value(const pb_msgdesc_t* descriptor, const void* record,
                   nlohmann::ordered_json& value, JsonNotes& notes, std::string& error);

// The same as one line of text in `json` ("{}" when no field is set; no
// line break at the end).
bool message_json(const pb_msgdesc_t* descriptor, const void* record, std::string& json,
                  JsonNotes& notes, std::string& error);
