// The names of the schemas' fields in the protocol-buffers JSON mapping: the
// JSON name is the field's name in lowerCamelCase, as protoc forms it (each
// "_" dropped and the character after it made upper case):
//
//     req_type -> reqType    force_torque -> forceTorque    led_2 -> led2
//
// The writer (json_writer.h) writes the JSON name; the reader (json_reader.h)
// takes either.
#pragma once

#include <string>

#include "proto/message_fields.h"

// The JSON name of the field called `field_name`.
std::string json_name(const std::string& field_name);

// The field of `message` that `key` names, by its JSON name or its own;
// nullptr when none does.
const FieldName* field_keyed(const MessageFields& message, const std::string& key);
