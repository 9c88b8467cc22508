#include "replay/board_replay.h"

#include <chrono>

#include "check/record_check.h"
#include "console/console_input.h"
#include "console/exit_status.h"
#include "console/hex_text.h"
#include "console/interrupt.h"
#include "console/line_editing.h"
#include "console/log.h"
#include "console/printable_text.h"
#include "link/frame_exchange.h"
#include "program/connection.h"
#include "record/record_load.h"
#include "replay/replay_answers.h"
#include "replay/replay_json.h"
#include "replay/replay_junit.h"
#include "replay/replay_options.h"

namespace {

using Clock = std::chrono::steady_clock;

// What a replay holds for its whole run.
struct Replay {
    explicit Replay(int link_) : link(link_), answers(link_, BOARD_FRAME) {}
    int link;
    ReplayOptions options;
    FrameStream answers;
    FrameBuffer answer{};
    AnswerTally tally;
    // The lines of the step under way, written out in one go just before
    // the replay waits (for the link, an answer, a delay or a key) or ends.
    std::string held;
    JunitReport junit;  // open with --junit
    long pass = 0;
};

// What the report names a step: "step 3 chassis { cmd: UNLOCK }", headed
// "pass 2 " with --loop.
std::string case_name(const Replay& r, const Action& action, size_t number) {
    const std::string step = "step " + std::to_string(number) + " " + check_step(action).words;
    return r.options.looped ? "pass " + std::to_string(r.pass) + " " + step : step;
}

// Why a step has no answer (awaited `timeout_seconds`), for the report.
std::string no_answer(const FrameResult& answer, int timeout_seconds) {
    if (interrupted()) return "no answer: the replay was ended by a signal";
    if (answer.kind == FrameResult::CLOSED) return "no answer: the board closed the link";
    if (answer.kind == FrameResult::FRAMING_LOST) {
        return "no answer: its header declares more than a frame holds";
    }
    return "no answer within " + std::to_string(timeout_seconds) + " s";
}

JunitCase failed_case(JunitCase::Outcome outcome, const std::string& message) {
    JunitCase step;
    step.outcome = outcome;
    step.message = message;
    return step;
}

// The report's case of a step that was answered.
JunitCase answered_case(const Replay& r, const AnswerVerdict& verdict, size_t number) {
    JunitCase step;
    step.out = verdict.text;
    const std::string head = "step " + std::to_string(number) + ": ";
    if (!verdict.decoded) {
        step.outcome = JunitCase::ERROR;
        step.message = head + "the answer does not decode";
        return step;
    }
    std::vector<std::string> lines = difference_lines(verdict, number);
    if (verdict.reports_error && r.options.fail_on_error) {
        lines.push_back(reported_error_line(verdict, number));
    }
    for (const std::string& line : lines) {
        step.outcome = JunitCase::FAILED;
        step.message += (step.message.empty() ? "" : "\n") + line;
    }
    return step;
}

// The step in the JSON lines and the JUnit report, as asked: answered (with
// the answer in r.answer and its verdict), or not (why in the case).
void report_case(Replay& r, JunitCase step, const Action& action, size_t number, double seconds,
                 const FrameResult* answer = nullptr, const AnswerVerdict* verdict = nullptr) {
    if (r.options.json) {
        std::string line =
            verdict != nullptr
                ? answered_step_json(action, number, r.pass, r.answer, answer->length,
                                     seconds * 1000, *verdict, r.options.expect)
                : unanswered_step_json(action, number, r.pass,
                                       step.outcome == JunitCase::SKIPPED, step.message);
        put_out_data(line);
    }
    if (!r.junit.is_open()) return;
    step.name = case_name(r, action, number);
    step.seconds = seconds;
    r.junit.add(step);
}

// The steps one pass plays: the range asked for, up to the first negative
// delay in it. Ends with status 3 when the range starts past the last step.
Outcome plan_steps(const std::vector<Action>& actions, const ReplayOptions& options,
                   std::vector<const Action*>& steps) {
    if (options.ranged && options.first > actions.size()) {
        log_error("--steps: the range starts at step %zu, past the file's last step, %zu\n",
                  options.first, actions.size());
        return end_with(STATUS_RECORD_FILE_FAILED);
    }
    for (size_t number = options.first; number <= actions.size() && number <= options.last;
         ++number) {
        steps.push_back(&actions[number - 1]);
        if (actions[number - 1].delay < 0) break;
    }
    return options.expect ? expect_recorded_answers(steps, options.first) : go_on();
}

// A frame whose header does not declare the bytes that follow it would throw
// the board's framing off: the file is refused before anything is sent,
// naming the step. An empty frame has no header; it fails as it always has.
bool headers_hold(const std::string& path, const std::vector<Action>& actions) {
    for (size_t i = 0; i < actions.size(); ++i) {
        const std::string fault = header_fault(actions[i].data);
        if (fault.empty()) continue;
        log_error("cannot load record file %s: step %zu: %s\n", printable_text(path).c_str(), i + 1,
                  fault.c_str());
        return false;
    }
    return true;
}

enum class Choice { SEND, SKIP, END };

// --confirm: show the step as --check shows it and ask until one answer fits.
Choice confirm(const Action& action, size_t number) {
    bool flagged = false;
    write_console(step_lines(action, number, "", flagged));
    std::string line;
    for (;;) {
        ask("send? (Enter: send, s: skip, q: end) ");
        if (!std::getline(*console_input().stream, line)) return Choice::END;
        if (line.empty()) return Choice::SEND;
        if (line == "s") return Choice::SKIP;
        if (line == "q") return Choice::END;
    }
}

// One step: its frame out, its answer in, its delay (scaled, from the moment
// the answer was complete).
Outcome play_step(Replay& r, const Action& action, size_t number) {
    if (r.options.confirm) {
        put_out(r.held);
        Choice choice = confirm(action, number);
        if (choice == Choice::SKIP) {
            ++r.tally.skipped;
            log_info("step %zu: skipped\n", number);
            report_case(r, failed_case(JunitCase::SKIPPED, ""), action, number, 0);
            return go_on();
        }
        if (choice == Choice::END) return end_with(interrupted() ? interrupt_status() : STATUS_OK);
    }
    log_to(&r.held, "INFO", "send: %s\n",
           to_hex_text(action.data.data(), action.data.size()).c_str());
    const Clock::time_point written_at = Clock::now();
    // The held lines go out once the frame is sent, before the answer is awaited.
    if (!send_whole_frame(r.link, action.data.data(), action.data.size(), &r.held,
                          r.options.timeout_seconds)
             .is_frame()) {
        report_case(r, failed_case(JunitCase::ERROR, "the frame could not be sent"), action, number,
                    0);
        return end_with(interrupted() ? interrupt_status() : STATUS_EXCHANGE_FAILED);
    }
    ++r.tally.replayed;
    FrameResult answer = take_answer(r.answers, r.answer, &r.held);
    const std::chrono::duration<double> round_trip = Clock::now() - written_at;
    if (!answer.is_frame()) {
        report_case(r, failed_case(JunitCase::ERROR, no_answer(answer, r.options.timeout_seconds)),
                    action, number, round_trip.count());
        return end_with(interrupted() ? interrupt_status() : STATUS_EXCHANGE_FAILED);
    }
    if (r.options.judged()) {
        const std::chrono::duration<double> answered = answer.complete_at - written_at;
        const AnswerVerdict verdict = judge_answer(r.tally, action, number, r.answer, answer.length,
                                                   answered.count() * 1000, r.held);
        report_case(r, answered_case(r, verdict, number), action, number, answered.count(), &answer,
                    &verdict);
    }
    log_to(&r.held, "INFO", "delay: %d s\n", action.delay);
    if (action.delay <= 0 || r.options.rate.max) return go_on();
    put_out(r.held);
    const std::chrono::duration<double> scaled(action.delay / r.options.rate.factor);
    const Deadline due = answer.complete_at + std::chrono::duration_cast<Clock::duration>(scaled);
    return wait_until(due) ? go_on() : end_with(interrupt_status());
}

// Every pass over the planned steps.
int play_passes(Replay& r, const std::vector<Action>& actions,
                const std::vector<const Action*>& steps) {
    const ReplayOptions& options = r.options;
    for (long pass = 1; !steps.empty() && (options.passes == 0 || pass <= options.passes); ++pass) {
        r.pass = pass;
        if (options.looped && options.passes == 0) log_to(&r.held, "INFO", "pass %ld\n", pass);
        if (options.looped && options.passes > 0) {
            log_to(&r.held, "INFO", "pass %ld of %ld\n", pass, options.passes);
        }
        for (const Action* action : steps) {
            Outcome step = play_step(r, *action, static_cast<size_t>(action - actions.data()) + 1);
            if (!step.goes_on) return step.status;
        }
        if (interrupted()) return interrupt_status();
    }
    return STATUS_OK;
}

// The passes, and the lines still held written out however they ended.
int play(Replay& r, const std::vector<Action>& actions, const std::vector<const Action*>& steps) {
    const int status = play_passes(r, actions, steps);
    put_out(r.held);
    return status;
}

}  // namespace

int run_board_replay(Start& start, const ReplayOptions& options) {
    if (options.check) return check_record_file(*options.check);
    Replay replay(-1);
    if (options.junit && !replay.junit.open(*options.junit, options.record_file,
                                            {{"controller", endpoint_text(start.server)},
                                             {"options", start.options},
                                             {"version", version_text()}})) {
        return STATUS_RECORD_FILE_FAILED;
    }
    Outcome connected = connect_to_controller(start, options.timeout_seconds);
    if (!connected.goes_on) return connected.status;
    catch_interrupt();
    std::vector<Action> actions;
    if (!load_record_file(options.record_file, actions) ||
        !headers_hold(options.record_file, actions)) {
        return STATUS_RECORD_FILE_FAILED;
    }
    replay.link = start.link.get();
    replay.answers.link = replay.link;
    replay.answers.timeout_seconds = options.timeout_seconds;
    replay.options = options;
    replay.tally.log_answers = options.answers;
    replay.tally.expect = options.expect;
    replay.tally.fail_on_error = options.fail_on_error;
    std::vector<const Action*> steps;
    Outcome planned = plan_steps(actions, replay.options, steps);
    if (!planned.goes_on) return planned.status;
    if (replay.options.confirm) use_console_input(operator_stdin());
    int status = play(replay, actions, steps);
    if (replay.options.answers) log_tally(replay.tally);
    if (status == STATUS_OK) status = judged_status(replay.tally);
    if (replay.options.json) {
        std::string last = summary_json(replay.tally, status);
        put_out_data(last);
    }
    // The report is written at every end, marked when a signal ended the run;
    // one that cannot be written is a file that failed.
    if (interrupted()) replay.junit.add_interrupted(interrupt_status());
    if (!replay.junit.finish() && !interrupted()) status = STATUS_RECORD_FILE_FAILED;
    return status;
}
