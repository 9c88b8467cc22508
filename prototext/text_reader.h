// A record of either schema in the protocol-buffers text format, as
// `protoc --encode` reads it and prototxt files hold it:
//
//     power_cmd { channel: POWER_CHASSIS on_off: 1 }   # a comment
//     angles < angle: [0.5, -1e-3, inf] > req_type: 0x2
//
// Read as the official library reads it: field names, with ":" optional
// before a message and { } or < > around one; a repeated field as repeated
// entries or as [a, b]; "," or ";" after a field; integers in decimal, hex
// (0x) or octal (a leading 0); doubles with exponents, inf and nan; strings
// in single or double quotes with C escapes; bools as true, false, t, f, 1 or
// 0. One addition: a field that carries an enumerator by number (see
// message_fields.h) takes the enumerator's name too (channel: POWER_CHASSIS).
//
// Refused, with the line and column and what was expected: an unknown field
// or enumerator name, a number outside its field's range, a non-repeated
// field given twice, two members of one oneof, more values than a repeated
// field holds (six angles), a string longer than its field, unbalanced
// braces and trailing text.
//
// text_writer.h writes a record back in this form, on one line.
#pragma once

#include <pb.h>

#include <string>

// Read `text` into `record` of the message `descriptor`; the record starts
// cleared ({}). False, with "line L, column C: what was expected" in
// `error`, when refused.
bool parse_text(const std::string& text, const pb_msgdesc_t* descriptor, void* record,
                std::string& error);
