// Text of a string field of an answer.
//
// String fields are not stored in the records: each is received through the
// text callback into a text_buffer of its own (1024 bytes), held beside the
// record by the answer it belongs to and bound when that answer is made.
// The callback refuses a string longer than capacity - 1 (1023 bytes), which
// fails the whole decode; otherwise it copies the text to the start of the
// buffer and ends it with a zero byte, so a field that arrives twice shows its
// last text and an empty string empties the buffer.
#pragma once

#include <pb.h>

#include <cstdint>

struct text_buffer {
    uint32_t capacity = 1024;
    char text[1024] = {};
};

// The text callback (nanopb decode callback; *arg is the text_buffer).
bool decode_text(pb_istream_t* stream, const pb_field_t* field, void** arg);

// The same text on the way out, for a peer that answers (*arg: text_buffer).
bool encode_text(pb_ostream_t* stream, const pb_field_t* field, void* const* arg);

// Bind a string slot to `buffer`: for decoding (bind_text) or for encoding
// its text (bind_text_to_send).
void bind_text(pb_callback_t& slot, text_buffer& buffer);
void bind_text_to_send(pb_callback_t& slot, text_buffer& buffer);

// Set the buffer's text (cut to capacity - 1 bytes).
void set_text(text_buffer& buffer, const char* text);

// Empty the buffer: all bytes zero.
void clear_text(text_buffer& buffer);
