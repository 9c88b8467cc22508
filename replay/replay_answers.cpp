#include "board/replay_answers.h"

#include <cmath>
#include <cstring>

#include "board/board_reply.h"
#include "console/log.h"

namespace {

// The reply's text with resp_id left out: what must match.
std::string compared_text(BoardReply& reply) {
    const int32_t resp_id = reply.record.resp_id;
    reply.record.resp_id = 0;
    std::string text = board_reply_text(reply);
    reply.record.resp_id = resp_id;
    return text;
}

bool decode_recorded(const Action& action, BoardReply& reply) {
    if (!action.has_answer || action.answer.size() > FRAME_BUFFER_SIZE) return false;
    FrameBuffer frame{};
    std::memcpy(frame.data(), action.answer.data(), action.answer.size());
    return decode_board_reply(reply, frame, action.answer.size());
}

std::string milliseconds(long tenths) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", static_cast<double>(tenths) / 10);
    return text;
}

}  // namespace

void judge_answer(AnswerTally& tally, const Action& action, size_t number, const FrameBuffer& frame,
                  size_t length, double round_trip_ms, std::string& held) {
    ++tally.answered;
    tally.round_trips[std::lround(round_trip_ms * 10)] += 1;
    BoardReply reply;
    if (!decode_board_reply(reply, frame, length)) {
        ++tally.with_error;
        ++tally.undecoded;
        log_to(&held, "ERROR", "answer does not decode (%.1f ms)\n", round_trip_ms);
        return;
    }
    const bool error = reply.record.has_error_info;
    if (error) ++tally.with_error;
    log_to(&held, error ? "ERROR" : "INFO", "answer: %s (%.1f ms)\n",
           board_reply_text(reply).c_str(), round_trip_ms);
    BoardReply recorded;
    if (!tally.expect || !decode_recorded(action, recorded)) return;
    if (compared_text(reply) != compared_text(recorded)) {
        ++tally.differ;
        log_to(&held, "ERROR", "step %zu: the answer differs from the recording: expected %s, got %s\n",
               number, board_reply_text(recorded).c_str(), board_reply_text(reply).c_str());
    }
}

void log_tally(const AnswerTally& tally) {
    std::string times = "round trip min -, median -, max -";
    if (!tally.round_trips.empty()) {
        size_t seen = 0;
        long median = 0;
        for (const auto& [tenths, count] : tally.round_trips) {
            seen += count;
            median = tenths;
            if (seen * 2 >= tally.answered) break;
        }
        times = "round trip min " + milliseconds(tally.round_trips.begin()->first) + ", median " +
                milliseconds(median) + ", max " + milliseconds(tally.round_trips.rbegin()->first);
    }
    std::string differ =
        tally.expect ? ", " + std::to_string(tally.differ) + " differ from the recording" : "";
    log_info("replayed %zu steps: %zu answered, %zu with an error, %s%s\n", tally.replayed,
             tally.answered, tally.with_error, times.c_str(), differ.c_str());
}

bool answers_failed(const AnswerTally& tally) {
    return tally.expect && (tally.differ > 0 || tally.undecoded > 0);
}

Outcome expect_recorded_answers(const std::vector<const Action*>& steps, size_t first) {
    for (size_t i = 0; i < steps.size(); ++i) {
        BoardReply recorded;
        const Action& action = *steps[i];
        if (decode_recorded(action, recorded)) continue;
        const char* why = action.has_answer ? "its recorded answer does not decode"
                                            : "it carries no recorded answer";
        log_error(
            "--expect: step %zu cannot be checked: %s (record with board_recorder "
            "--keep-answers)\n",
            first + i, why);
        return end_with(STATUS_RECORD_FILE_FAILED);
    }
    return go_on();
}
