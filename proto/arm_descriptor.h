// The main arm's schema (arm.proto) as a binary FileDescriptorSet, as
// `protoc --include_imports --descriptor_set_out` writes it: made by protoc
// at build time and compiled in, so that an MCAP recording of the arm's
// reports carries its own schema and its viewers decode every field.
#pragma once

#include <cstddef>

extern const unsigned char ARM_DESCRIPTOR_SET[];
extern const size_t ARM_DESCRIPTOR_SET_SIZE;
