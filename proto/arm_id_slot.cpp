#include "arm_id_slot.h"

#include <pb_decode.h>

#include "arm.pb.h"
#include "runtime/text_buffer.h"

static_assert(offsetof(id_text_slot, buffer) >= sizeof(bool),
              "the binding must lie behind the byte that `success` overwrites");

extern "C" bool arm_response_text_callback(pb_istream_t* istream, pb_ostream_t* ostream,
                                           const pb_field_t* field) {
    if (field->tag != MainArmResponseMsg_id_tag) {
        return pb_default_field_callback(istream, ostream, field);
    }
    const auto* slot = static_cast<const id_text_slot*>(field->pData);
    if (istream != nullptr) {
        // The decoder marks static oneof members only; `id` marks itself.
        *static_cast<pb_size_t*>(field->pSize) = field->tag;
        if (slot->buffer == nullptr) return pb_read(istream, nullptr, istream->bytes_left);
        return read_text(istream, *slot->buffer);
    }
    if (ostream != nullptr && slot->buffer != nullptr) {
        return write_text(ostream, field, *slot->buffer);
    }
    return true;
}
