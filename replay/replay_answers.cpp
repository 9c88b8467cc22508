#include "replay/replay_answers.h"

#include <cmath>
#include <cstring>

#include "board/board_reply.h"
#include "console/log.h"
#include "prototext/text_difference.h"

namespace {

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

AnswerVerdict judge_answer(AnswerTally& tally, const Action& action, size_t number,
                           const FrameBuffer& frame, size_t length, double round_trip_ms,
                           std::string& held) {
    AnswerVerdict verdict;
    ++tally.answered;
    tally.round_trips[std::lround(round_trip_ms * 10)] += 1;
    BoardReply reply;
    if (!decode_board_reply(reply, frame, length)) {
        ++tally.with_error;
        ++tally.undecoded;
        if (tally.log_answers) {
            log_to(&held, "ERROR", "answer does not decode (%.1f ms)\n", round_trip_ms);
        }
        return verdict;
    }
    verdict.decoded = true;
    verdict.text = board_reply_text(reply);
    verdict.reports_error = board_reply_reports_error(reply);
    if (verdict.reports_error) ++tally.reported_error;
    const bool error = reply.record.has_error_info;
    if (error) ++tally.with_error;
    if (tally.log_answers) {
        log_to(&held, error ? "ERROR" : "INFO", "answer: %s (%.1f ms)\n", verdict.text.c_str(),
               round_trip_ms);
    } else if (verdict.reports_error && tally.fail_on_error) {
        log_to(&held, "ERROR", "%s\n", reported_error_line(verdict, number).c_str());
    }
    BoardReply recorded;
    if (!tally.expect || !decode_recorded(action, recorded)) return verdict;
    verdict.differences = field_differences(CleaningComponentResponse_fields, &recorded.record,
                                            &reply.record, "resp_id");
    if (verdict.differences.empty()) return verdict;
    ++tally.differ;
    for (const std::string& line : difference_lines(verdict, number)) {
        log_to(&held, "ERROR", "%s\n", line.c_str());
    }
    return verdict;
}

std::vector<std::string> difference_lines(const AnswerVerdict& verdict, size_t number) {
    std::vector<std::string> lines;
    if (verdict.differences.empty()) return lines;
    const std::string head = "step " + std::to_string(number) + ": ";
    lines.push_back(head + "the answer differs from the recording");
    for (const std::string& line : verdict.differences) lines.push_back(head + line);
    return lines;
}

std::string reported_error_line(const AnswerVerdict& verdict, size_t number) {
    return "step " + std::to_string(number) + ": the answer reports an error: " + verdict.text;
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
    if (tally.skipped > 0) differ += ", " + std::to_string(tally.skipped) + " skipped";
    log_info("replayed %zu steps: %zu answered, %zu with an error, %s%s\n", tally.replayed,
             tally.answered, tally.with_error, times.c_str(), differ.c_str());
}

int judged_status(const AnswerTally& tally) {
    if (tally.expect && (tally.differ > 0 || tally.undecoded > 0)) return STATUS_ANSWERS_DIFFER;
    return tally.fail_on_error && tally.reported_error > 0 ? STATUS_ANSWER_ERROR : STATUS_OK;
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
