// The fields of both schemas' messages by name, as the generated records'
// field lists (nanopb's MESSAGE_FIELDLIST macros) give them, and the named
// values (enumerators) that some integer fields carry by number. The text
// format (prototext/text_reader.h) reads and writes records through these tables.
#pragma once

#include <pb.h>

#include <cstdint>
#include <string>
#include <vector>

// The enumerators of one enum of a schema, by nanopb's enum_to_string.
struct EnumNames {
    const char* type;                   // "PowerChannel"
    const char* (*name_of)(int value);  // "unknown" for a value without a name
    int min;
    int max;
};

enum class FieldRole { SINGULAR, OPTIONAL, REPEATED, ONEOF };
enum class FieldKind { INT32, UINT32, INT64, UINT64, DOUBLE, BOOL, STRING, MESSAGE, OTHER };

struct FieldName {
    pb_size_t tag = 0;
    FieldRole role = FieldRole::SINGULAR;
    FieldKind kind = FieldKind::OTHER;  // OTHER: a type the text format does not set
    bool callback = false;              // held by a callback, not in the record
    std::string name;                   // "channel"
    std::string json_name;              // "onOff" for on_off: lowerCamelCase, as protoc forms it
    std::string oneof;                  // "payload" for a oneof member, else ""
    const EnumNames* enumerators = nullptr;
};

struct MessageFields {
    const pb_msgdesc_t* descriptor = nullptr;
    const char* name = "";  // "CleaningComponentRequest"
    std::vector<FieldName> fields;
};

// A field's name in the protocol-buffers JSON mapping: lowerCamelCase, as
// protoc forms it, each "_" dropped and the letter after it made upper case
// (req_type -> reqType, led_2 -> led2).
std::string json_name(const std::string& field_name);

// The table of a message of either schema; nullptr for another descriptor.
const MessageFields* message_fields(const pb_msgdesc_t* descriptor);

const FieldName* field_named(const MessageFields& message, const std::string& name);
const FieldName* field_tagged(const MessageFields& message, pb_size_t tag);

// The enumerators that the field `field` of the message `descriptor` carries
// by number; nullptr for a field without them.
const EnumNames* field_enumerators(const pb_msgdesc_t* descriptor, const char* field);

// The enumerator's value for `name`; false when the enum has no such name.
bool enumerator_value(const EnumNames& names, const std::string& name, int64_t& value);

// The enumerator's name for `value`, or nullptr when it has none.
const char* enumerator_name(const EnumNames& names, int64_t value);

// "POWER_WHOLE_MACHINE, POWER_CHASSIS, ...": every name, for an error.
std::string enumerator_list(const EnumNames& names);

// The first field of the encoded message in `stream`, of the message
// `fields`, that the schema does not know, at any depth, as its path of field
// numbers ("22.9"); "" when there is none. `record` is a record of the
// message's type, only for the addresses of its sub-messages: nothing is
// written to it.
std::string unknown_field(pb_istream_t* stream, const pb_msgdesc_t* fields, void* record);
