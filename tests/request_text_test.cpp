// Requests typed by name: the text format read as the official protocol-buffers
// library reads it (each payload below is what it encodes for the same text),
// the refusals, and the one-line form that reads back to the same bytes.
#include <gtest/gtest.h>
#include <pb_encode.h>

#include "arm.pb.h"
#include "board.pb.h"
#include "one_shot/typed_request.h"
#include "prototext/text_difference.h"
#include "prototext/text_reader.h"
#include "prototext/text_schema.h"
#include "prototext/text_writer.h"
#include "tests/support/bytes.h"
#include "tests/support/capture.h"
#include "tests/support/request_texts.h"

namespace {

struct Typed {
    bool ok = false;
    std::string payload_hex;  // the record encoded
    std::string error;
    std::string written;  // the record written back on one line
};

template <typename Record>
Typed read(const pb_msgdesc_t* fields, const std::string& text) {
    Record record{};
    Typed typed;
    typed.ok = parse_text(text, fields, &record, typed.error);
    if (!typed.ok) return typed;
    uint8_t bytes[2048];
    pb_ostream_t out = pb_ostream_from_buffer(bytes, sizeof bytes);
    EXPECT_TRUE(pb_encode(&out, fields, &record)) << text;
    typed.payload_hex = hex_of(std::string(reinterpret_cast<char*>(bytes), out.bytes_written));
    typed.written = message_text(fields, &record);
    return typed;
}

Typed board(const std::string& text) {
    return read<CleaningComponentRequest>(CleaningComponentRequest_fields, text);
}

Typed arm(const std::string& text) {
    return read<MainArmRequestMsg>(MainArmRequestMsg_fields, text);
}

TEST(RequestText, EveryFormReadsAsTheOfficialLibraryReadsIt) {
    for (const RequestText& row : REQUEST_TEXTS) {
        Typed typed = row.is_arm ? arm(row.text) : board(row.text);
        ASSERT_TRUE(typed.ok) << row.text << ": " << typed.error;
        EXPECT_EQ(typed.payload_hex, hex_of(bytes_of(row.payload))) << row.text;
        // Written back on one line, it reads to the same bytes.
        Typed again = row.is_arm ? arm(typed.written) : board(typed.written);
        ASSERT_TRUE(again.ok) << typed.written << ": " << again.error;
        EXPECT_EQ(again.payload_hex, typed.payload_hex) << typed.written;
    }
}

TEST(RequestText, WrittenOnOneLineWithNamesWhereValuesHaveThem) {
    EXPECT_EQ(board("power_cmd { on_off: 1 channel: 6 }").written,
              "power_cmd { channel: POWER_CHASSIS on_off: POWER_ON }");
    EXPECT_EQ(board("chassis { cmd: 9 } motors { }").written, "chassis { cmd: 9 } motors { }");
    EXPECT_EQ(
        arm("angles { angle: [0.1, -0, 1e308, 5e-324] } req_type: 2").written,
        "req_type: SYNC_MAIN_ARM angles { angle: 0.1 angle: -0 angle: 1e+308 angle: 5e-324 }");
    EXPECT_EQ(arm("enable: false").written, "enable: false");
    EXPECT_EQ(board("").written, "");
}

TEST(RequestText, RefusalsNameTheLineColumnAndWhatWasExpected) {
    const struct {
        bool is_arm;
        const char* text;
        const char* error;
    } rows[] = {
        {false, "foo: 1",
         "line 1, column 1: unknown field \"foo\" in CleaningComponentRequest, expected one of: "
         "spare_1, platform_cmd, motor_3, motor_4, motor_5, motor_6, motor_7, motor_8, motor_9, "
         "motor_10, motor_11, motor_12, motor_13, spare_14, spare_15, leds, motor_17, chassis, "
         "motor_19, motor_20, power_cmd, motors, water"},
        {false, "chassis {\n  command: 1 }",
         "line 2, column 3: unknown field \"command\" in ChassisCommand, expected one of: cmd"},
        {true, "angles { angel: 1 }",
         "line 1, column 10: unknown field \"angel\" in AnglesMsg, expected one of: angle"},
        {false, "power_cmd { channel: POWER_CHASIS }",
         "line 1, column 22: unknown name \"POWER_CHASIS\" for channel, expected a number or one "
         "of "
         "POWER_CHANNEL_NONE, POWER_WHOLE_MACHINE, POWER_CHASSIS, POWER_HUB, POWER_ARM, "
         "POWER_END_TOOL"},
        {false, "power_cmd { channel: 4294967296 }",
         "line 1, column 22: 4294967296 is out of range for channel, a uint32"},
        {false, "power_cmd { channel: -1 }",
         "line 1, column 23: -1 is out of range for channel, a uint32"},
        {false, "spare_1: 2147483648",
         "line 1, column 10: 2147483648 is out of range for spare_1, an int32"},
        {false, "spare_1: 1.5",
         "line 1, column 10: expected an integer for spare_1, found \"1.5\""},
        {false, "spare_1: - 5",
         "line 1, column 12: expected a number right after \"-\" for spare_1"},
        {false, "chassis { cmd: \"1\" }",
         "line 1, column 16: expected an integer for cmd, found a string"},
        {false, "spare_1: 1 spare_1: 2", "line 1, column 12: spare_1 is given twice"},
        {false, "chassis { } chassis { }", "line 1, column 13: chassis is given twice"},
        {false, "spare_1 1", "line 1, column 9: expected \":\" after spare_1"},
        {false, "chassis { cmd: UNLOCK",
         "line 1, column 22: expected a field name or \"}\", found the end of the text"},
        {false, "chassis < cmd: UNLOCK }",
         "line 1, column 23: expected a field name or \">\", found \"}\""},
        {false, "chassis { cmd: UNLOCK } }",
         "line 1, column 25: expected a field name, found \"}\""},
        {false, "chassis cmd: 1",
         "line 1, column 9: expected \"{\" or \"<\" after chassis, found \"cmd\""},
        {false, "spare_1: [1, 2]", "line 1, column 1: spare_1 is not repeated: no list"},
        {false, "spare_1: 1 @",
         "line 1, column 12: a character the text format does not know: \"@\""},
        {true, "enable: t angles {}",
         "line 1, column 11: angles and enable are both members of oneof payload"},
        {true, "angles { angle: [1, 2, 3, 4, 5, 6, 7] }",
         "line 1, column 36: more than 6 values for angle"},
        {true, "angles { angle: [1 2] }",
         "line 1, column 20: expected \",\" or \"]\", found \"2\""},
        {true, "angles { angle: 0x10 }",
         "line 1, column 17: expected a number for angle, found \"0x10\""},
        {true, "enable: yes", "line 1, column 9: expected true or false for enable, found \"yes\""},
        {true, "req_type: 'ARM", "line 1, column 11: a string without its closing quote"},
    };
    for (const auto& row : rows) {
        Typed typed = row.is_arm ? arm(row.text) : board(row.text);
        EXPECT_FALSE(typed.ok) << row.text;
        EXPECT_EQ(typed.error, row.error) << row.text;
    }
    // A string field keeps its size: an id of at most 1023 bytes.
    MainArmResponseMsg response{};
    std::string error;
    const std::string id(1023, 'a');
    EXPECT_TRUE(parse_text("id: '" + id + "'", MainArmResponseMsg_fields, &response, error))
        << error;
    MainArmResponseMsg longer{};
    EXPECT_FALSE(parse_text("id: \"" + id + "\" 'b'", MainArmResponseMsg_fields, &longer, error));
    EXPECT_EQ(error, "line 1, column 5: id holds at most 1023 bytes, not 1024");
}

TEST(RequestText, AFrameBeyondTheControllersBufferIsRefused) {
    ConsoleOptions options;
    options.request = "chassis { cmd: UNLOCK }";
    CleaningComponentRequest request{};
    StdoutCapture capture;
    TypedRequest typed = read_typed_request(options, CleaningComponentRequest_fields, &request,
                                            FrameFormat{2, false, 4});
    EXPECT_FALSE(typed.outcome.goes_on);
    EXPECT_EQ(typed.outcome.status, 255);
    EXPECT_EQ(without_timestamps(capture.finish()),
              "[T] [ERROR] --request: the request's frame would be longer than the controller's "
              "6 bytes\n");
}

}  // namespace

namespace {

// Two records of one message read from text, and how they differ.
template <typename Record>
std::vector<std::string> differences(const pb_msgdesc_t* fields, const std::string& expected,
                                     const std::string& got, const std::string& ignored = "") {
    Record a{}, b{};
    std::string error;
    EXPECT_TRUE(parse_text(expected, fields, &a, error)) << error;
    EXPECT_TRUE(parse_text(got, fields, &b, error)) << error;
    return field_differences(fields, &a, &b, ignored);
}

TEST(FieldDifferences, EachFieldThatDiffersIsOneLineNamedByItsPath) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(differences<CleaningComponentResponse>(
                  CleaningComponentResponse_fields, "resp_id: 1 error_info { code: 1 }",
                  "resp_id: 9 error_info { code: 2 }", "resp_id"),
              (Lines{"error_info.code: expected 1, got 2"}));
    EXPECT_EQ(differences<CleaningComponentResponse>(CleaningComponentResponse_fields,
                                                     "spare_5 { first: true }", "error_info { }"),
              (Lines{"error_info: expected absent, got { }",
                     "spare_5: expected { first: true }, got absent"}));
    EXPECT_EQ(differences<MainArmStateMsg>(MainArmStateMsg_fields,
                                           "poses: [0.5, 1, 2] angles { angle: [1, 2] }",
                                           "poses: [0.5, 1.25] angles { angle: [1, 2, 3] }"),
              (Lines{"angles.angle[2]: expected absent, got 3", "poses[1]: expected 1, got 1.25",
                     "poses[2]: expected 2, got absent"}));
    EXPECT_EQ(
        differences<MainArmRequestMsg>(MainArmRequestMsg_fields,
                                       "req_type: ARM_ENABLE enable: true", "req_type: GET_ID"),
        (Lines{"req_type: expected ARM_ENABLE, got GET_ID", "enable: expected true, got absent"}));
    EXPECT_TRUE(differences<CleaningComponentResponse>(CleaningComponentResponse_fields,
                                                       "resp_id: 1", "resp_id: 2", "resp_id")
                    .empty());
}

// --describe names every field the text format sets, at every depth, each as
// the reader takes it, with its number.
TEST(DescribeMessage, EveryFieldOfBothRequestsIsListed) {
    CleaningComponentRequest board{};
    MainArmRequestMsg arm{};
    const std::string described = describe_message(CleaningComponentRequest_fields, &board) +
                                  describe_message(MainArmRequestMsg_fields, &arm);
    for (const char* line :
         {"CleaningComponentRequest:\n  spare_1 = 1: int32\n  platform_cmd = 2: int32 "
          "(PLATFORM_NONE, GET_FIRMWARE_VERSION,",
          "\n  power_cmd = 21 {\n    spare_1 = 1: int32\n    channel = 2: uint32 "
          "(POWER_CHANNEL_NONE, ",
          "\n  water = 23 {\n    end_spray = 1 {\n      direction = 1: int32 (MOTOR_STOP, "
          "MOTOR_FORWARD, MOTOR_REVERSE)\n      duty = 2: int32\n    }\n",
          "\n  leds = 16 {\n    top = 1 {\n      rgb = 1: uint32\n",
          "MainArmRequestMsg:\n  req_type = 1: uint32 (REQ_NONE, GET_ID,",
          "\n  enable = 2: bool  [oneof payload]\n  angles = 3 {  [oneof payload]\n    angle = 1: "
          "double, repeated (at most 6)\n  }\n",
          "\n  force_torque = 4 {  [oneof payload]\n    timestamp = 1: int64\n    force = 2 {\n"
          "      x = 1: double\n"}) {
        EXPECT_NE(described.find(line), std::string::npos) << line << "\n" << described;
    }
    // One line for each field the reader takes, at every depth, and one for each closing brace.
    size_t fields = 0, braces = 0;
    for (size_t at = described.find('\n'); at != std::string::npos;
         at = described.find('\n', at + 1)) {
        const size_t next = described.find_first_not_of(' ', at + 1);
        if (next == std::string::npos) break;
        if (described[next] == '}') {
            ++braces;
        } else if (next > at + 1) {
            ++fields;
        }
    }
    EXPECT_EQ(fields,
              107u + 16u);  // the two requests' fields at every depth, as protoc counts them
    EXPECT_EQ(braces, count_of(described, "{\n") + count_of(described, "{  ["));
}

}  // namespace
