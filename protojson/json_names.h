// The names of the schemas' fields in the protocol-buffers JSON mapping: the
// JSON name is the field's name in lowerCamelCase, as protoc forms it
// (proto/message_fields.h's json_name(), kept in each field's table entry):
//
//     req_type -> reqType    force_torque -> forceTorque    led_2 -> led2
//
// The writer (json_writer.h) writes the JSON name; the reader (json_reader.h)
// takes either.
#pragma once

#include <string>

#include "proto/message_fields.h"

// The field of `message` that `key` names, by its JSON name or its own;
// nullptr when none does.
const FieldName* field_keyed(const MessageFields& message, const std::string& key);
