// A record of either schema read from the protocol-buffers JSON mapping, as
// the official library parses it:
//
//     {"reqType": "SYNC_MAIN_ARM", "angles": {"angle": [0.5, -1.25, "NaN"]}}
//     {"power_cmd": {"channel": "POWER_CHASSIS", "onOff": 1}}
//
// One JSON object for the record: each field by its JSON name or its own
// (json_names.h), each value as json_values.h reads it (an integer as a
// number or a string, a double as a number or "NaN", "Infinity",
// "-Infinity"), a message as an object, a repeated field as an array, and
// null for a field left at its default (a message absent, an array empty).
// One addition, as the text format has it: an integer field that carries
// enumerators by number takes the enumerator's name ("POWER_CHASSIS").
//
// Refused, with the line and column where the fault starts and the path of
// the field (as keyed): malformed JSON and text after the object (in
// nlohmann's words), an unknown field (with the fields that message takes),
// a value of the wrong type, a number outside its field's range, two members
// of one oneof, a field given twice (by both names too), more values than a
// repeated field holds (six angles), null inside an array, a string longer
// than its field. A string held by a callback (an answer's strings) is not
// read, as in the text format (prototext/text_reader.h).
//
//     {"powerCmd": {"channel": 4294967296}}
//     line 1, column 26: powerCmd.channel: 4294967296 is out of range for channel, a uint32
//
// What is read encodes to the same bytes as the same record typed in the
// text format; json_writer.h writes this form.
#pragma once

#include <pb.h>

#include <string>

// Read `text` into `record` of the message `descriptor`, which is cleared
// first (nanopb's defaults; its callbacks stay bound). False, with "line L,
// column C: path: what was expected" in `error`, when refused; the record is
// then cleared again.
bool parse_json(const std::string& text, const pb_msgdesc_t* descriptor, void* record,
                std::string& error);
