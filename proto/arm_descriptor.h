// The main arm's reports as a viewer sees them: on the topic /arm/state, of
// the schema MainArmStateMsg, in protobuf; and the schema itself (arm.proto)
// as a binary FileDescriptorSet, as `protoc --include_imports
// --descriptor_set_out` writes it: made by protoc at build time and compiled
// in, so that an MCAP recording of the reports (or a viewer that takes them
// live) carries its own schema and decodes every field.
#pragma once

#include <cstddef>

extern const unsigned char ARM_DESCRIPTOR_SET[];
extern const size_t ARM_DESCRIPTOR_SET_SIZE;

inline constexpr char ARM_STATE_TOPIC[] = "/arm/state";
inline constexpr char ARM_STATE_SCHEMA[] = "MainArmStateMsg";
