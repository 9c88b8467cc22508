#include "one_shot/message_kinds.h"

#include <pb_decode.h>

#include "console/exit_status.h"
#include "console/hex_text.h"
#include "console/log.h"
#include "proto/message_fields.h"
#include "protojson/json_writer.h"
#include "prototext/text_writer.h"

bool show_record(const pb_msgdesc_t* fields, void* record, const uint8_t* payload, size_t size,
                 bool json, std::string& out, std::string& why) {
    pb_istream_t stream = pb_istream_from_buffer(payload, size);
    if (!pb_decode(&stream, fields, record)) return why = PB_GET_ERROR(&stream), false;
    if (!json) {
        out = message_text(fields, record);
        return true;
    }
    JsonNotes notes;
    if (!message_json(fields, record, out, notes, why)) return false;
    note_replaced_bytes(notes);
    return true;
}

void note_replaced_bytes(const JsonNotes& notes) {
    if (notes.replaced_bytes == 0) return;
    std::string named;
    for (const std::string& field : notes.fields) named += (named.empty() ? "" : ", ") + field;
    log_info("--json: %zu bytes of %s that are not UTF-8 were each replaced by U+FFFD\n",
             notes.replaced_bytes, named.c_str());
}

int decode_hex(const MessageKind& kind, FrameFormat format, const std::string& hex, bool json) {
    std::vector<uint8_t> bytes;
    size_t position = 0;
    if (!hex_to_bytes(hex, bytes, position)) {
        log_error("%s: not two hex digits at position %zu\n", kind.option, position);
        return STATUS_BAD_ARGUMENTS;
    }
    // A whole frame when its header declares the bytes that follow it.
    size_t skip = 0;
    if (bytes.size() >= format.header_size &&
        read_header(bytes.data(), format) == bytes.size() - format.header_size) {
        skip = format.header_size;
    }
    std::string out, why;
    if (!kind.show(kind.fields, bytes.data() + skip, bytes.size() - skip, json, out, why)) {
        const MessageFields* message = message_fields(kind.fields);
        log_error("%s: the bytes do not decode as a %s (%s)\n", kind.option,
                  message != nullptr ? message->name : "message", why.c_str());
        return STATUS_BAD_ARGUMENTS;
    }
    if (json) return put_out_data(out += "\n") ? STATUS_OK : STATUS_OUTPUT_FAILED;
    write_console(out + "\n");
    return STATUS_OK;
}

std::string describe_kinds(const std::vector<MessageKind>& kinds) {
    std::string text;
    for (const MessageKind& kind : kinds) text += kind.describe(kind.fields);
    return text;
}
