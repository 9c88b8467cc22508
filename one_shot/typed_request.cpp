#include "one_shot/typed_request.h"

#include "console/hex_text.h"
#include "console/log.h"
#include "one_shot/message_kinds.h"
#include "program/connection.h"
#include "protojson/json_reader.h"
#include "prototext/text_reader.h"

CommandLineForm<ConsoleOptions> console_form(const char* program, const char* default_address,
                                             int32_t default_port,
                                             const std::vector<MessageKind>& kinds) {
    CommandLineForm<ConsoleOptions> form{
        program,
        default_address,
        default_port,
        {},
        {named_option("--request", "TEXT", &ConsoleOptions::request,
                      "send this request, in protobuf text format or JSON, instead of a menu "
                      "choice",
                      ValueKind::TEXT),
         named_option("--encode", "TEXT", &ConsoleOptions::encode,
                      "print the frame of this request as hex and connect to nothing",
                      ValueKind::TEXT, Alone::AND_QUIET),
         flag_option("--describe", &ConsoleOptions::describe,
                     "print the fields and their numbers of each message, as --request and "
                     "--decode read them, and connect to nothing",
                     Alone::AND_QUIET),
         flag_option("--fail-on-error", &ConsoleOptions::fail_on_error,
                     "end with status 7 when the answer reports an error"),
         json_option(&ConsoleOptions::json,
                     "print the answer (or what --decode shows) as one JSON object on standard "
                     "output, the log lines on standard error"),
         timeout_option(&ConsoleOptions::timeout_seconds)}};
    for (size_t kind = 0; kind < kinds.size(); ++kind) {
        form.options.push_back(read_option<ConsoleOptions>(
            {kinds[kind].option, "HEX", kinds[kind].meaning, ValueKind::TEXT, Alone::AND_QUIET},
            [kind](ConsoleOptions& options, const char* hex) {
                options.decode = hex;
                options.decode_kind = kind;
                return true;
            }));
    }
    return form;
}

namespace {

// The text, in the text format or (beginning with "{") as JSON, into `record`.
bool parse_request(const std::string& text, const pb_msgdesc_t* fields, void* record,
                   std::string& error) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && text[first] == '{') {
        return parse_json(text, fields, record, error);
    }
    return parse_text(text, fields, record, error);
}

}  // namespace

TypedRequest read_typed_request(const ConsoleOptions& options, const pb_msgdesc_t* fields,
                                void* record, FrameFormat format) {
    TypedRequest typed;
    const bool encode = options.encode.has_value();
    if (!encode && !options.request) return typed;
    const char* option = encode ? "--encode" : "--request";
    std::string error;
    if (!parse_request(encode ? *options.encode : *options.request, fields, record, error)) {
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
