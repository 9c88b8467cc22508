#include "board/board_recorder.h"

#include "board.pb.h"
#include "board/board_reply.h"
#include "board/board_tree.h"
#include "console/console_input.h"
#include "console/exit_status.h"
#include "console/hex_text.h"
#include "console/interrupt.h"
#include "console/line_editing.h"
#include "console/log.h"
#include "link/frame_exchange.h"
#include "program/connection.h"
#include "record/record_save.h"
#include "record/unfinished_recording.h"

namespace {

// What has been recorded: in memory as the record file's text, formed entry
// by entry, and on disk as it grows.
struct Recording {
    std::string text;
    size_t entries = 0;
    UnfinishedRecording unfinished;
    RecordSize size;
};

void add(Recording& recording, const Action& action) {
    std::string entry = entry_text(action);
    add_entry(recording.size, entry);
    if (!recording.text.empty()) recording.text += '\n';
    recording.text += entry;
    ++recording.entries;
    keep_entries(recording.unfinished, recording.text, recording.entries);
}

// Save what was recorded (if anything) and give the status the run ends with.
int finish(Recording& recording, int status) {
    if (recording.entries > 0) {
        if (!save_record_text(recording.text)) {
            leave_unfinished(recording.unfinished, recording.entries);
            return STATUS_RECORD_FILE_FAILED;
        }
        discard_unfinished(recording.unfinished);
    }
    return interrupted() ? interrupt_status() : status;
}

}  // namespace

const CommandLineForm<RecorderOptions> BOARD_RECORDER_FORM{
    "board_recorder",
    BOARD_DEFAULT_ADDRESS,
    8080,
    {},
    {flag_option("--keep-answers", &RecorderOptions::keep_answers,
                 "also keep each answer's frame in the record file, for a replay to compare"),
     flag_option("--answers", &RecorderOptions::answers,
                 "show each answer decoded, as board_console prints it, before the delay prompt"),
     timeout_option(&RecorderOptions::timeout_seconds)}};

int run_board_recorder(Start& start, const RecorderOptions& options) {
    Outcome connected = connect_to_controller(start, options.timeout_seconds);
    if (!connected.goes_on) return connected.status;
    catch_interrupt();
    use_console_input(operator_stdin());
    const int link = start.link.get();
    const bool keep_answers = options.keep_answers;
    FrameBuffer frame_buffer{};
    FrameBuffer reply_buffer{};
    FrameStream replies(link, BOARD_FRAME);
    replies.timeout_seconds = options.timeout_seconds;
    Recording recording;

    for (;;) {
        CleaningComponentRequest request{};
        board_root_menu.run(request);
        if (input_ended()) {
            // The pass in progress is abandoned; nothing is sent for it.
            return finish(recording, recording.entries == 0 ? STATUS_INPUT_ENDED : STATUS_OK);
        }
        FrameResult sent = send_request(link, CleaningComponentRequest_fields, &request,
                                        BOARD_FRAME, frame_buffer, options.timeout_seconds);
        if (sent.kind == FrameResult::NOT_ENCODED) continue;  // nothing to send: next pass
        if (!sent.is_frame()) return finish(recording, STATUS_EXCHANGE_FAILED);
        FrameResult answer = take_answer(replies, reply_buffer);
        if (!answer.is_frame()) return finish(recording, STATUS_EXCHANGE_FAILED);
        if (options.answers) {
            BoardReply reply;
            if (unpack_board_reply(reply, reply_buffer, answer.length)) print_board_reply(reply);
        }

        int32_t delay = read_number<int32_t>("等待时间(s)");
        // Input ending (or a signal) at the delay prompt ends the recording here.
        if (input_ended()) delay = -1;
        Action action;
        action.data.assign(frame_buffer.begin(), frame_buffer.begin() + sent.length);
        action.delay = delay;
        action.has_answer = keep_answers;
        if (keep_answers) {
            action.answer.assign(reply_buffer.begin(), reply_buffer.begin() + answer.length);
        }
        add(recording, action);
        log_info("hex data:%s\r\n\n", to_hex_text(action.data.data(), action.data.size()).c_str());
        if (delay < 0) return finish(recording, STATUS_OK);
        if (recording_full(recording.size, keep_answers)) {
            log_error("the recording ends at %zu entries: board_replay loads no more\n",
                      recording.entries);
            return finish(recording, STATUS_OK);
        }
    }
}
