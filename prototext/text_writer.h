// A record on one line of the text format (text_reader.h), so that what is
// shown can be typed back: fields in their order, a message as
// "name { ... }", a repeated field as repeated entries, enumerators by name
// where the value has one, doubles in the shortest form that reads back the
// same, strings quoted with their control and non-ASCII bytes as octal
// escapes. A string held by a callback (an answer's strings) is written where
// its text arrived in a text_buffer. A field is left out where it would not
// be encoded (a proto3 scalar at zero, a message not present), so what is
// written reads back to a record that encodes to the same bytes.
//
//     power_cmd { channel: POWER_CHASSIS on_off: POWER_ON }
//     req_type: SYNC_MAIN_ARM angles { angle: 0.5 angle: -1.25 }
#pragma once

#include <pb.h>
#include <pb_common.h>

#include <functional>
#include <string>

#include "proto/message_fields.h"

// `record` of the message `descriptor` on one line; "" when no field is set.
std::string message_text(const pb_msgdesc_t* descriptor, const void* record);

// Each value that `record` holds, in the order message_text() writes them:
// its field, the field's iterator (submsg_desc for a message) and where the
// value lies (a sub-message's record; a callback string's text).
using ValueVisitor =
    std::function<void(const FieldName& field, const pb_field_iter_t& iter, const void* where)>;
void for_each_value(const pb_msgdesc_t* descriptor, const void* record, const ValueVisitor& visit);

// The text of one value of `field` (not a message) lying at `where`.
std::string value_text(const FieldName& field, const void* where);
