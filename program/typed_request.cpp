#include "program/typed_request.h"

#include "console/hex_text.h"
#include "console/log.h"
#include "prototext/text_reader.h"

TypedRequest read_typed_request(const CommandLine& command_line, const pb_msgdesc_t* fields,
                                void* record, FrameFormat format) {
    TypedRequest typed;
    const bool encode = command_line.has(ENCODE_OPTION.name);
    if (!encode && !command_line.has(REQUEST_OPTION.name)) return typed;
    const char* option = encode ? ENCODE_OPTION.name : REQUEST_OPTION.name;
    std::string error;
    if (!parse_text(command_line.value(option), fields, record, error)) {
        log_error("%s: %s\n", option, error.c_str());
        typed.outcome = end_with(STATUS_BAD_ARGUMENTS);
        return typed;
    }
    FrameBuffer frame{};
    FrameResult encoded = encode_frame(fields, record, format, frame);
    if (!encoded.is_frame()) {
        log_error("%s: the request's frame would be longer than the controller's %zu bytes\n",
                  option, format.header_size + format.max_payload);
        typed.outcome = end_with(STATUS_BAD_ARGUMENTS);
        return typed;
    }
    if (encode) {
        write_console(to_hex_text(frame.data(), encoded.length) + "\n");
        typed.outcome = end_with(STATUS_OK);
        return typed;
    }
    typed.given = true;
    return typed;
}
