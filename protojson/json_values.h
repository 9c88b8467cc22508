// One value of a field in the protocol-buffers JSON mapping, both ways:
//
//     int32, uint32    5, -3                 (read also as "5", 5.0, "5e0")
//     int64, uint64    "1796740442079"       (read also as a number)
//     double           0.5, -0.0, "NaN", "Infinity", "-Infinity"  (read also as "0.5")
//     bool             true, false
//     string           "text", as nlohmann escapes it
//
// An integer is read within its field's range as the text format reads it
// (prototext/text_values.h), so that both read the same record: a field that
// carries enumerators by number (message_fields.h) takes the enumerator's
// name too ("POWER_CHASSIS"); it is written as its number. Messages and repeated
// fields are the writer's and the reader's (json_writer.h, json_reader.h).
#pragma once

#include <cstddef>
#include <nlohmann/json_fwd.hpp>
#include <string>

#include "proto/message_fields.h"

// The value of `field` (a number or a bool: not a string, not a message)
// lying at `where`, appended to `out` as JSON text: integers and the
// shortest double that reads back the same by std::to_chars (".0" after a
// whole double, as nlohmann writes it).
void append_value_json(std::string& out, const FieldName& field, const void* where);

// Store `value` (not null) for `field` (not a message) at `where`, which
// holds `data_size` bytes. False, with what was expected in `why`, when it is
// not a value of the field or lies outside the field's range.
bool store_json_value(const FieldName& field, const nlohmann::json& value, size_t data_size,
                      void* where, std::string& why);

// `text` appended to `out` as a JSON string, escaped by nlohmann, each
// sequence that is not UTF-8 replaced by U+FFFD (nlohmann's replacement);
// the bytes that were not UTF-8 are counted into `replaced`.
void append_string_json(std::string& out, const std::string& text, size_t& replaced);

// JSON text read into `value`; false, with nlohmann's words in `error`.
bool parse_json_text(const std::string& text, nlohmann::ordered_json& value, std::string& error);

// What a value of `field` is written as, for a refusal: "an integer", "a
// number", "true or false", "a string", "an object".
std::string expected_json(const FieldName& field);

// A value as a refusal shows it: 2.5, "POWER", true, null.
std::string shown_json(const nlohmann::json& value);
