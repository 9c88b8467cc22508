#include "link/typed_request.h"

#include "console/log.h"
#include "console/program_start.h"
#include "link/connection.h"
#include "proto/text_format.h"

const OptionForm REQUEST_OPTION{"--request", "TEXT",
                                "send this request, in protobuf text format, instead of a menu "
                                "choice",
                                false};
const OptionForm ENCODE_OPTION{
    "--encode", "TEXT", "print the frame of this request as hex and connect to nothing",
    true,       {},     true};

TypedRequest read_typed_request(const CommandLine& command_line, const pb_msgdesc_t* fields,
                                void* record, FrameFormat format) {
    TypedRequest typed;
    const bool encode = command_line.has(ENCODE_OPTION.name);
    if (!encode && !command_line.has(REQUEST_OPTION.name)) return typed;
    const char* option = encode ? ENCODE_OPTION.name : REQUEST_OPTION.name;
    typed.done = true;
    typed.status = STATUS_BAD_ARGUMENTS;
    std::string error;
    if (!parse_text(command_line.value(option), fields, record, error)) {
        log_error("%s: %s\n", option, error.c_str());
        return typed;
    }
    FrameBuffer frame{};
    FrameResult encoded = encode_frame(fields, record, format, frame);
    if (!encoded.is_frame()) {
        log_error("%s: the request's frame would be longer than the controller's %zu bytes\n",
                  option, format.header_size + format.max_payload);
        return typed;
    }
    typed.status = STATUS_OK;
    if (encode) {
        write_console(to_hex_text(frame.data(), encoded.length) + "\n");
        return typed;
    }
    typed.given = true;
    typed.done = false;
    return typed;
}

ConsoleStart start_console(int argc, const char* const* argv, const CommandLineForm& form,
                           const char* build_date, const pb_msgdesc_t* fields, void* record,
                           FrameFormat format) {
    ConsoleStart start;
    CommandLine command_line = begin_program(argc, argv, form, build_date);
    start.status = command_line.status;
    if (!command_line.proceed) return start;
    TypedRequest typed = read_typed_request(command_line, fields, record, format);
    start.status = typed.status;
    if (typed.done) return start;
    start.typed = typed.given;
    start.link = connect_to_server(command_line);
    if (start.link < 0) start.status = STATUS_LINK_FAILED;
    return start;
}
