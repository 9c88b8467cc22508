#include "proto/text_buffer.h"

#include <pb_decode.h>
#include <pb_encode.h>

#include <cstring>

namespace {

bool read_text(pb_istream_t* stream, text_buffer& buffer) {
    size_t length = stream->bytes_left;
    if (length > buffer.capacity - 1) return false;
    if (!pb_read(stream, reinterpret_cast<pb_byte_t*>(buffer.text), length)) return false;
    buffer.text[length] = '\0';
    return true;
}

bool write_text(pb_ostream_t* stream, const pb_field_t* field, const text_buffer& buffer) {
    size_t length = strnlen(buffer.text, sizeof buffer.text);
    return pb_encode_tag_for_field(stream, field) &&
           pb_encode_string(stream, reinterpret_cast<const pb_byte_t*>(buffer.text), length);
}

}  // namespace

bool decode_text(pb_istream_t* stream, const pb_field_t*, void** arg) {
    return read_text(stream, *static_cast<text_buffer*>(*arg));
}

bool encode_text(pb_ostream_t* stream, const pb_field_t* field, void* const* arg) {
    return write_text(stream, field, *static_cast<const text_buffer*>(*arg));
}

void bind_text(pb_callback_t& slot, text_buffer& buffer) {
    slot.funcs.decode = decode_text;
    slot.arg = &buffer;
}

void bind_text_to_send(pb_callback_t& slot, text_buffer& buffer) {
    slot.funcs.encode = encode_text;
    slot.arg = &buffer;
}

void set_text(text_buffer& buffer, const char* text) {
    clear_text(buffer);
    std::strncpy(buffer.text, text, buffer.capacity - 1);
}

void clear_text(text_buffer& buffer) {
    std::memset(buffer.text, 0, sizeof buffer.text);
}
