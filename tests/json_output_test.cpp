// Answers a script can read: --json on the consoles, the monitor and the
// replay (standard output carries only JSON, read by jq; the console goes to
// standard error), requests typed as JSON, --decode as --encode's inverse,
// and --timeout.
#include <gtest/gtest.h>

#include "arm.pb.h"
#include "board.pb.h"
#include "protojson/json_writer.h"
#include "prototext/text_reader.h"
#include "prototext/text_writer.h"
#include "tests/support/arm_reports.h"
#include "tests/support/bytes.h"
#include "tests/support/directory.h"
#include "tests/support/process.h"
#include "tests/support/request_texts.h"
#include "tests/support/scenario.h"

namespace {

bool jq_here() {
    return system("jq --version >/dev/null 2>&1") == 0;
}

// What jq makes of `json` (one compact line per value), or why it refused it.
std::string as_jq_reads(const std::string& json) {
    TemporaryDirectory directory;
    directory.write("out.json", json);
    ProgramRun jq = run_program_at("/usr/bin/env", {"jq", "-c", ".", directory.path + "/out.json"},
                                   RunOptions{});
    return jq.status == 0 ? jq.out : "refused: " + jq.err;
}

// Each console's one answer: standard output is that answer as one JSON
// object (nothing for one that does not decode), the console lines on
// standard error; the statuses are those without --json.
TEST(JsonOutput, TheConsolesPrintTheAnswerAloneOnStandardOutput) {
    const std::string version = board_frame_bytes(bytes_of("08 01 12 04 0a 02") + "v1");
    const std::string hostile_id =  // id "a" ESC "b" and a byte that is not UTF-8
        arm_frame_bytes(bytes_of("08 01 12 04 61 1b 62 ff"));
    const struct {
        const char* program;
        const char* request;
        std::string answer;
        std::vector<std::string> options;
        int status;
        std::string out;
        std::string err;  // a line standard error holds
    } rows[] = {
        {"board_console",
         "platform_cmd: GET_FIRMWARE_VERSION",
         version,
         {},
         0,
         "{\"respId\":1,\"versionInfo\":{\"version\":\"v1\"}}\n",
         "] [INFO] version: v1\n"},
        {"board_console",
         "{\"platformCmd\": \"GET_FIRMWARE_VERSION\"}",
         version,
         {},
         0,
         "{\"respId\":1,\"versionInfo\":{\"version\":\"v1\"}}\n",
         "] [INFO] hex raw: 02001001\n"},
        {"board_console",
         "chassis { cmd: UNLOCK }",
         board_frame_bytes(bytes_of("08 02 22 05 08 03 12 01") + "x"),
         {"--fail-on-error"},
         7,
         "{\"respId\":2,\"errorInfo\":{\"code\":3,\"message\":\"x\"}}\n",
         "] [INFO] error: "},
        {"board_console",
         "chassis { cmd: UNLOCK }",
         board_frame_of("08"),
         {},
         2,
         "",
         "] [ERROR] decode failed!\n"},
        {"arm_console",
         "req_type: GET_ID",
         hostile_id,
         {},
         0,
         "{\"reqType\":1,\"id\":\"a\\u001bb\xef\xbf\xbd\"}\n",
         "] [INFO] --json: 1 bytes of id that are not UTF-8 were each replaced by U+FFFD\n"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = {"--json", "--request", row.request};
        args.insert(args.end(), row.options.begin(), row.options.end());
        const bool board = std::string(row.program) == "board_console";
        PeerRun r = run_with_peer(
            row.program,
            {board ? receive_board_frame() : receive_arm_frame(), send_bytes(row.answer)},
            RunOptions{}, args);
        EXPECT_EQ(r.run.status, row.status) << row.request << "\n" << r.run.err;
        EXPECT_EQ(r.run.out, row.out) << row.request;
        EXPECT_NE(r.run.err.find(row.err), std::string::npos) << row.request << "\n" << r.run.err;
        EXPECT_NE(r.run.err.find("] [INFO] Vostrel. Build date: "), std::string::npos);
        if (jq_here() && !row.out.empty()) {
            EXPECT_EQ(as_jq_reads(r.run.out).rfind("{\"", 0), 0u) << row.request;
        }
    }
}

// Every typed request of the text format's table, typed as JSON, encodes to
// the same frame; --decode of that frame gives the request back, in the text
// format or (--json) as JSON.
TEST(JsonOutput, RequestsTypedAsJsonEncodeAlikeAndDecodeBack) {
    for (const RequestText& row : REQUEST_TEXTS) {
        const std::string program = row.is_arm ? "arm_console" : "board_console";
        const pb_msgdesc_t* fields =
            row.is_arm ? MainArmRequestMsg_fields : CleaningComponentRequest_fields;
        union {
            CleaningComponentRequest board;
            MainArmRequestMsg arm;
        } record{};
        std::string error, json;
        ASSERT_TRUE(parse_text(row.text, fields, &record, error)) << row.text << ": " << error;
        JsonNotes notes;
        ASSERT_TRUE(message_json(fields, &record, json, notes, error));
        const ProgramRun typed = run_program(program, {"--encode", row.text});
        const ProgramRun as_json = run_program(program, {"--encode", json});
        EXPECT_EQ(as_json.out, typed.out) << row.text << "\n" << json << "\n" << as_json.out;
        const std::string frame = typed.out.substr(0, typed.out.size() - 1);
        const ProgramRun decoded = run_program(program, {"--decode", frame});
        EXPECT_EQ(decoded.status, 0) << decoded.out;
        EXPECT_EQ(decoded.out, message_text(fields, &record) + "\n") << row.text;
        const ProgramRun decoded_json = run_program(program, {"--json", "--decode", frame});
        EXPECT_EQ(decoded_json.out, json + "\n") << row.text << "\n" << decoded_json.err;
    }
    // The answers and the reports are shown too, and bytes that are not the
    // message are refused, naming it.
    EXPECT_EQ(run_program("arm_console", {"--decode-report", "000000023805"}).out, "state: 5\n");
    EXPECT_EQ(run_program("board_console", {"--json", "--decode-answer", "0807"}).out,
              "{\"respId\":7}\n");
    const ProgramRun refused = run_program("board_console", {"--decode-answer", "08"});
    EXPECT_EQ(refused.status, 255);
    EXPECT_NE(normalized(refused.out)
                  .find("[T] [ERROR] --decode-answer: the bytes do not decode as a "
                        "CleaningComponentResponse ("),
              std::string::npos)
        << refused.out;
}

// A JSON line a frame, however many: 100000 reports and a frame that does
// not decode, each line read by jq.
TEST(JsonOutput, TheMonitorStreamsAJsonLineAFrame) {
    std::string reports;
    for (int i = 1; i <= 100000; ++i) {
        reports += report_frame([i](MainArmStateMsg& r) { r.timestamp = i; });
    }
    PeerRun r = run_with_peer(
        "arm_monitor",
        {receive_arm_frame(), send_bytes(reports), send_bytes(arm_frame_of("08")), close_link()},
        RunOptions{}, {"--json"});
    EXPECT_EQ(r.run.status, 0) << r.run.err;
    EXPECT_EQ(count_of(r.run.out, "\n"), 100001u);
    EXPECT_EQ(r.run.out.rfind("{\"receiveTimeNs\":\"", 0), 0u) << r.run.out.substr(0, 200);
    EXPECT_NE(r.run.out.find("\",\"report\":{\"timestamp\":\"100000\"}}\n"), std::string::npos);
    EXPECT_NE(r.run.out.find("\",\"error\":\"pb_decode failed\",\"hex\":\"0000000108\"}\n"),
              std::string::npos);
    EXPECT_NE(r.run.err.find("] [INFO] rev len: 0 \n"), std::string::npos) << r.run.err;
    if (jq_here()) {
        EXPECT_EQ(count_of(as_jq_reads(r.run.out), "\n"), 100001u);
    }
}

// A JSON line a step, with its verdict, and a last line that sums up.
TEST(JsonOutput, TheReplayGivesALineAStepAndASummary) {
    TemporaryDirectory directory;
    directory.write("r.yaml",
                    "- hexData: 02001001\n  delay: 0\n  answer: 02000801\n"
                    "- hexData: 05009201020801\n  delay: -1\n  answer: 02000802\n");
    PeerRun r = run_with_peer("board_replay",
                              {receive_board_frame(), send_bytes(board_frame_of("08 01")),
                               receive_board_frame(), send_bytes(board_frame_of("08 02 22 00"))},
                              RunOptions{}, {"--json", "--expect", directory.path + "/r.yaml"});
    EXPECT_EQ(r.run.status, 6) << r.run.err;
    const std::string lines = r.run.out;
    EXPECT_EQ(count_of(lines, "\n"), 3u) << lines;
    for (const std::string& part :
         {std::string("{\"step\":1,\"pass\":1,\"request\":{\"platformCmd\":1},\"answer\":{"
                      "\"respId\":1},\"roundTripMs\":"),
          std::string(",\"verdict\":\"same\"}\n{\"step\":2,\"pass\":1,\"request\":{\"chassis\":{"
                      "\"cmd\":1}},\"answer\":{\"respId\":2,\"errorInfo\":{}},\"roundTripMs\":"),
          std::string(",\"verdict\":\"differs\",\"differences\":[\"error_info: expected absent, "
                      "got { }\"]}\n{\"summary\":{\"replayed\":2,\"answered\":2,\"withError\":1,"
                      "\"differ\":1,\"skipped\":0,\"status\":6}}\n")}) {
        EXPECT_NE(lines.find(part), std::string::npos) << part << "\n" << lines;
    }
    EXPECT_NE(r.run.err.find("] [ERROR] step 2: the answer differs from the recording\n"),
              std::string::npos);
    if (jq_here()) {
        EXPECT_EQ(count_of(as_jq_reads(lines), "\n"), 3u);
    }
}

// --timeout shortens the wait for a silent controller, for every tool.
TEST(JsonOutput, ATimeoutShortensTheWaitForASilentController) {
    TemporaryDirectory directory;
    directory.write("r.yaml", "- hexData: 02001001\n  delay: -1\n");
    const struct {
        const char* program;
        std::vector<std::string> args;
        int status;
        const char* line;
    } rows[] = {
        {"board_console", {"--request", "platform_cmd: 1"}, 2, "rev len: -1"},
        {"arm_console", {"--request", "req_type: 1"}, 2, "rev len: -1"},
        {"board_replay", {directory.path + "/r.yaml"}, 2, "tcp read failed."},
        {"arm_monitor", {}, 0, "rev len: -1"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = {"--timeout", "1"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const bool board = std::string(row.program).rfind("board", 0) == 0;
        PeerRun r = run_with_peer(
            row.program, {board ? receive_board_frame() : receive_arm_frame(), pause_for(20000)},
            RunOptions{}, args);
        EXPECT_EQ(r.run.status, row.status) << row.program;
        EXPECT_NE(r.output.find(row.line), std::string::npos) << row.program << "\n" << r.output;
        EXPECT_LT(r.run.seconds, 10) << row.program;  // not the 15 s of the default
    }
}

}  // namespace
