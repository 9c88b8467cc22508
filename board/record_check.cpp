#include "board/record_check.h"

#include <pb_common.h>
#include <pb_decode.h>

#include "board.pb.h"
#include "console/exit_status.h"
#include "console/hex_text.h"
#include "console/log.h"
#include "console/printable_text.h"
#include "link/frame.h"
#include "prototext/board_request_text.h"
#include "record/record_load.h"

namespace {

// The first field of the encoded message in `stream` that `fields` does not
// know, at any depth, as its path of field numbers ("22.9"); "" when there is
// none. `record` is a record of the message's type, only for the addresses of
// its sub-messages: nothing is written to it.
std::string unknown_field(pb_istream_t* stream, const pb_msgdesc_t* fields, void* record) {
    while (stream->bytes_left > 0) {
        pb_wire_type_t wire_type;
        uint32_t tag = 0;
        bool eof = false;
        if (!pb_decode_tag(stream, &wire_type, &tag, &eof) || eof) return "";
        pb_field_iter_t iter;
        if (!pb_field_iter_begin(&iter, fields, record) || !pb_field_iter_find(&iter, tag)) {
            return std::to_string(tag);
        }
        if (PB_LTYPE_IS_SUBMSG(iter.type) && wire_type == PB_WT_STRING) {
            pb_istream_t inner;
            if (!pb_make_string_substream(stream, &inner)) return "";
            std::string deeper = unknown_field(&inner, iter.submsg_desc, iter.pData);
            if (!pb_close_string_substream(stream, &inner)) return "";
            if (!deeper.empty()) return std::to_string(tag) + "." + deeper;
        } else if (!pb_skip_field(stream, wire_type)) {
            return "";
        }
    }
    return "";
}

void add_flag(StepCheck& check, const std::string& reason) {
    check.flagged += (check.flagged.empty() ? "" : "; ") + reason;
}

std::string seconds_text(int64_t seconds) {
    std::string text = std::to_string(seconds) + " s";
    if (seconds < 60) return text;
    char clock[48];
    std::snprintf(clock, sizeof clock, " (%lld h %02lld min %02lld s)",
                  static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
    return text + clock;
}

}  // namespace

StepCheck check_step(const Action& action) {
    StepCheck check;
    const std::vector<uint8_t>& frame = action.data;
    const size_t header = BOARD_FRAME.header_size;
    if (frame.size() < header) {
        check.words =
            frame.empty() ? "(no bytes)" : "hex " + to_hex_text(frame.data(), frame.size());
        add_flag(check, "shorter than its 2-byte header");
        return check;
    }
    uint32_t declared = read_header(frame.data(), BOARD_FRAME);
    size_t follow = frame.size() - header;
    if (declared != follow) {
        add_flag(check, "the header declares " + std::to_string(declared) + " bytes where " +
                            std::to_string(follow) + " follow");
    }
    if (frame.size() > FRAME_BUFFER_SIZE) {
        add_flag(check,
                 "longer than the board's " + std::to_string(FRAME_BUFFER_SIZE) + "-byte buffer");
    }
    CleaningComponentRequest request{};
    pb_istream_t stream = pb_istream_from_buffer(frame.data() + header, follow);
    if (!pb_decode(&stream, CleaningComponentRequest_fields, &request)) {
        check.words = "hex " + to_hex_text(frame.data(), frame.size());
        add_flag(check, std::string("the payload does not decode as a CleaningComponentRequest (") +
                            PB_GET_ERROR(&stream) + ")");
        return check;
    }
    check.words = describe_request(request);
    pb_istream_t again = pb_istream_from_buffer(frame.data() + header, follow);
    std::string unknown = unknown_field(&again, CleaningComponentRequest_fields, &request);
    if (!unknown.empty())
        add_flag(check, "carries field " + unknown + ", which the schema does not know");
    return check;
}

int check_record_file(const std::string& path) {
    std::vector<Action> actions;
    std::string error;
    if (!load_actions(path, actions, error)) {
        log_error("cannot load record file %s: %s\n", printable_text(path).c_str(),
                  printable_text(error).c_str());
        return STATUS_RECORD_FILE_FAILED;
    }
    size_t flagged = 0;
    size_t sent = 0;  // the steps a replay sends: up to the first negative delay
    bool ended = false;
    int64_t seconds = 0;
    size_t number = 0;
    for (const Action& action : actions) {
        StepCheck check = check_step(action);
        std::string line = "step " + std::to_string(++number) + ": delay " +
                           std::to_string(action.delay) + " s, " +
                           std::to_string(action.data.size()) + " bytes: " + check.words;
        if (!check.flagged.empty()) {
            line += " FLAGGED: " + check.flagged;
            ++flagged;
        }
        if (ended) {
            line += " (not sent: the replay ends at step " + std::to_string(sent) + ")";
        } else {
            ++sent;
            if (action.delay < 0) {
                ended = true;
            } else {
                seconds += action.delay;
            }
        }
        write_console(line + "\n");
    }
    std::string steps = "steps: " + std::to_string(actions.size());
    if (sent < actions.size()) steps += " (" + std::to_string(sent) + " sent)";
    write_console(steps + "\n");
    write_console("replay time: " + seconds_text(seconds) +
                  ", the sum of the delays up to the end\n");
    write_console("flagged: " + std::to_string(flagged) + "\n");
    return flagged == 0 ? STATUS_OK : STATUS_RECORD_FILE_FAILED;
}
