// Records in the protocol-buffers JSON mapping: written as the official
// library prints them (the official python library reads each back to the
// record's bytes), read as it parses them (each typed request to the bytes of
// its text), and the refusals.
#include <gtest/gtest.h>
#include <pb_common.h>
#include <pb_encode.h>

#include <cstring>

#include "arm.pb.h"
#include "board.pb.h"
#include "proto/text_buffer.h"
#include "protojson/json_names.h"
#include "protojson/json_reader.h"
#include "protojson/json_writer.h"
#include "prototext/text_reader.h"
#include "tests/support/bytes.h"
#include "tests/support/directory.h"
#include "tests/support/process.h"
#include "tests/support/request_texts.h"

namespace {

// Any record of the five messages, cleared as {} clears one.
union AnyRecord {
    CleaningComponentRequest board_request;
    CleaningComponentResponse board_response;
    MainArmRequestMsg arm_request;
    MainArmResponseMsg arm_response;
    MainArmStateMsg arm_state;
};

// A record as the text format types it, with the strings that callbacks hold
// (at every depth, in the schema's order) beside it.
struct Held {
    Held(std::string text_ = "", std::vector<std::string> strings_ = {})
        : text(std::move(text_)), strings(std::move(strings_)) {}
    std::string text;
    std::vector<std::string> strings;
};

void callback_slots(const pb_msgdesc_t* fields, void* record, std::vector<pb_callback_t*>& slots) {
    pb_field_iter_t iter;
    if (!pb_field_iter_begin(&iter, fields, record)) return;
    do {
        if (PB_ATYPE(iter.type) == PB_ATYPE_CALLBACK) {
            slots.push_back(static_cast<pb_callback_t*>(iter.pData));
        } else if (PB_LTYPE_IS_SUBMSG(iter.type) && PB_HTYPE(iter.type) == PB_HTYPE_OPTIONAL) {
            callback_slots(iter.submsg_desc, iter.pData, slots);
        }
    } while (pb_field_iter_next(&iter));
}

// The record of `held`, its strings bound as received (for the writer) or to send.
struct Made {
    Made(const pb_msgdesc_t* fields, const Held& held, bool to_send)
        : buffers(held.strings.size()) {
        std::memset(&record, 0, sizeof record);
        std::string error;
        EXPECT_TRUE(parse_text(held.text, fields, &record, error)) << held.text << ": " << error;
        std::vector<pb_callback_t*> slots;
        callback_slots(fields, &record, slots);
        for (size_t i = 0; i < held.strings.size() && i < slots.size(); ++i) {
            set_text(buffers[i], held.strings[i].c_str());
            if (to_send) bind_text_to_send(*slots[i], buffers[i]);
            if (!to_send) bind_text(*slots[i], buffers[i]);
        }
    }
    AnyRecord record;
    std::vector<text_buffer> buffers;
};

std::string encoded(const pb_msgdesc_t* fields, const void* record) {
    uint8_t bytes[4096];
    pb_ostream_t out = pb_ostream_from_buffer(bytes, sizeof bytes);
    EXPECT_TRUE(pb_encode(&out, fields, record)) << PB_GET_ERROR(&out);
    return hex_of(std::string(reinterpret_cast<char*>(bytes), out.bytes_written));
}

std::string json_of(const pb_msgdesc_t* fields, const Held& held, JsonNotes& notes) {
    Made made(fields, held, false);
    std::string json, error;
    EXPECT_TRUE(message_json(fields, &made.record, json, notes, error)) << error;
    return json;
}

TEST(JsonNames, AreTheFieldNamesInLowerCamelCase) {
    const std::pair<const char*, const char*> rows[] = {
        {"req_type", "reqType"}, {"force_torque", "forceTorque"}, {"led_2", "led2"},
        {"angle_0", "angle0"},   {"spare_14", "spare14"},         {"x", "x"},
        {"a__b_", "aB"},         {"period_ms", "periodMs"},       {"on_off", "onOff"}};
    for (const auto& [name, json] : rows) EXPECT_EQ(json_name(name), json) << name;
}

// Each row written exactly; where bytes are not UTF-8, the notes say how many and where.
TEST(JsonWriter, WritesEachValueAsTheMappingHasItAndTellsOfBytesReplaced) {
    const struct {
        const pb_msgdesc_t* fields;
        Held held;
        const char* json;
        size_t replaced;
        std::vector<std::string> where;
    } rows[] = {
        {MainArmRequestMsg_fields, {""}, "{}", 0, {}},
        {MainArmRequestMsg_fields,
         {"req_type: SYNC_MAIN_ARM angles { angle: [0.5, -0, nan, inf, -inf, 1e308] }"},
         R"({"reqType":2,"angles":{"angle":[0.5,-0.0,"NaN","Infinity","-Infinity",1e+308]}})",
         0,
         {}},
        {MainArmRequestMsg_fields,
         {"timestamp: -9223372036854775808 force_torque { force { z: -0 } }"},
         R"({"forceTorque":{"force":{"z":-0.0}},"timestamp":"-9223372036854775808"})",
         0,
         {}},
        {CleaningComponentRequest_fields,
         {"power_cmd { channel: POWER_CHASSIS on_off: POWER_ON } spare_1: -5 leds { led_2 {} }"},
         R"({"spare1":-5,"leds":{"led2":{}},"powerCmd":{"channel":6,"onOff":1}})",
         0,
         {}},
        {MainArmStateMsg_fields,
         {"state: 4294967295 poses: [5e-324, 0.1] grip: true"},
         R"({"poses":[5e-324,0.1],"grip":true,"state":4294967295})",
         0,
         {}},
        {MainArmResponseMsg_fields,
         {"id: 'a\\033\"\\\\b'", {"\xe2\x9c\x93"}},
         R"({"id":"a\u001b\"\\b","error":"✓"})",
         0,
         {}},
        {MainArmResponseMsg_fields,
         {"id: 'a\\377b'", {"\xe2\x82x\xc3"}},
         "{\"id\":\"a\xef\xbf\xbd"
         "b\",\"error\":\"\xef\xbf\xbdx\xef\xbf\xbd\"}",
         4,
         {"id", "error"}},
        {CleaningComponentResponse_fields,
         {"version_info {} error_info { code: 1 }", {"\xef\xbf\xbd", "\xff\xfe"}},
         "{\"versionInfo\":{\"version\":\"\xef\xbf\xbd\"},\"errorInfo\":{\"code\":1,"
         "\"message\":\"\xef\xbf\xbd\xef\xbf\xbd\"}}",
         2,
         {"errorInfo.message"}},
    };
    for (const auto& row : rows) {
        JsonNotes notes;
        EXPECT_EQ(json_of(row.fields, row.held, notes), row.json) << row.held.text;
        EXPECT_EQ(notes.replaced_bytes, row.replaced) << row.held.text;
        EXPECT_EQ(notes.fields, row.where) << row.held.text;
    }
}

// Each line "Message<TAB>json" read by json_format.Parse (unknown fields
// refused): the message's bytes, and whether it prints back as the same JSON.
const char* const OFFICIAL_READER =
    "import json, sys\n"
    "from google.protobuf import descriptor_pb2, descriptor_pool, json_format, message_factory\n"
    "pool = descriptor_pool.DescriptorPool()\n"
    "for f in descriptor_pb2.FileDescriptorSet.FromString(open(sys.argv[1], 'rb').read()).file:\n"
    "    pool.Add(f)\n"
    "factory = message_factory.MessageFactory(pool)\n"
    "for line in open(sys.argv[2], encoding='utf-8').read().splitlines():\n"
    "    name, text = line.split('\\t', 1)\n"
    "    m = factory.GetPrototype(pool.FindMessageTypeByName(name))()\n"
    "    try:\n"
    "        json_format.Parse(text, m, ignore_unknown_fields=False)\n"
    "        same = json_format.MessageToDict(m) == json.loads(text)\n"
    "        print(m.SerializeToString().hex(), 'same' if same else 'printed differently')\n"
    "    except Exception as e:\n"
    "        print('refused:', str(e).replace('\\n', ' '))\n";

TEST(JsonWriter, TheOfficialLibraryReadsEveryRecordBackToItsBytes) {
    const pb_msgdesc_t* const ARM = MainArmRequestMsg_fields;
    const pb_msgdesc_t* const BOARD = CleaningComponentRequest_fields;
    const pb_msgdesc_t* const ANSWER = MainArmResponseMsg_fields;
    const struct {
        const pb_msgdesc_t* fields;
        Held held;
        std::vector<std::string> read_back;  // the strings, where bytes were replaced
    } rows[] = {
        {ARM, {"req_type: ARM_ENABLE enable: true"}, {}},
        {ARM, {"enable: false"}, {}},
        {ARM, {"force_feedback: false req_type: 4294967295"}, {}},
        {ARM, {"angles { angle: [0.1, -0, nan, inf, -inf, 5e-324] } timestamp: 1796740442079"}, {}},
        {ARM, {"angles {}"}, {}},
        {ARM,
         {"force_torque { timestamp: -9223372036854775808 force { x: 1 y: -0 z: 1e-300 } "
          "torque { z: nan } } timestamp: 9223372036854775807"},
         {}},
        {ANSWER, {"id: '' req_type: 1"}, {}},
        {ANSWER,
         {"id: 'arm-\\033[31m\\t\\001\"\\\\'", {"\x1b[0m bad \xe2\x82"}},
         {"\x1b[0m bad \xef\xbf\xbd"}},
        {ANSWER, {"success: false timestamp: -1"}, {}},
        {MainArmStateMsg_fields,
         {"angles { angle: [1, 2, 3, 4, 5, 6] } poses: [1e308, -0.5, inf] timestamp: 1 grip: true "
          "enable: true state: 4294967295 force: true",
          {"over \xe2\x9c\x93 limit"}},
         {}},
        {BOARD,
         {"spare_1: -2147483648 platform_cmd: TEST_INTERFACE motor_3 { direction: 3 duty: -1 } "
          "motor_13 {} spare_14 { first: 1 second: -2 } spare_15 { number: 2147483647 } "
          "chassis { cmd: UNLOCK } power_cmd { spare_1: -1 channel: POWER_ARM on_off: 2 }"},
         {}},
        {BOARD,
         {"leds { top { rgb: 4294967295 mode: 2 period_ms: 500 } led_2 {} rear { mode: 1 } } "
          "motors { camera_cover { direction: 1 } toolbox_motor { select_mask: 4 } } water { "
          "end_spray { duty: 30 } toolbox_drain { drive { direction: 3 } } }"},
         {}},
        {CleaningComponentResponse_fields,
         {"resp_id: -3 version_info {} error_info { code: -1 } spare_5 { second: true }",
          {"v1.2", "duty \xff of 100"}},
         {"v1.2", "duty \xef\xbf\xbd of 100"}},
    };
    std::string lines;
    std::vector<std::string> expected;
    for (const auto& row : rows) {
        JsonNotes notes;
        lines += std::string(message_fields(row.fields)->name) + "\t" +
                 json_of(row.fields, row.held, notes) + "\n";
        const Held read_back_held(row.held.text,
                                  row.read_back.empty() ? row.held.strings : row.read_back);
        Made read_back(row.fields, read_back_held, true);
        expected.push_back(encoded(row.fields, &read_back.record) + " same");
    }
    TemporaryDirectory directory;
    directory.write("records.jsonl", lines);
    ProgramRun protoc = run_program_at(
        "/usr/bin/protoc",
        {"--include_imports", "--descriptor_set_out=" + directory.path + "/schemas.desc", "-I",
         std::string(VOSTREL_SOURCE_DIR) + "/proto", "board.proto", "arm.proto"},
        RunOptions{});
    ASSERT_EQ(protoc.status, 0) << protoc.err;
    ProgramRun python = run_program_at("/usr/bin/python3",
                                       {"-c", OFFICIAL_READER, directory.path + "/schemas.desc",
                                        directory.path + "/records.jsonl"},
                                       RunOptions{});
    ASSERT_EQ(python.status, 0) << python.err;
    std::vector<std::string> read;
    for (size_t at = 0, end; (end = python.out.find('\n', at)) != std::string::npos; at = end + 1) {
        read.push_back(python.out.substr(at, end - at));
    }
    ASSERT_EQ(read.size(), expected.size()) << python.out;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(read[i], expected[i]) << rows[i].held.text << "\n" << lines;
    }
}

// The bytes that `json` reads to, or "refused: " and why.
std::string read_json(const pb_msgdesc_t* fields, const std::string& json) {
    AnyRecord record;
    std::memset(&record, 0, sizeof record);
    std::string error;
    if (!parse_json(json, fields, &record, error)) return "refused: " + error;
    return encoded(fields, &record);
}

// One record for all: each read clears what the one before it left.
TEST(JsonReader, EveryTypedRequestWrittenAsJsonReadsToItsBytes) {
    AnyRecord record;
    std::memset(&record, 0x5a, sizeof record);  // requests hold no callbacks
    for (const RequestText& row : REQUEST_TEXTS) {
        const pb_msgdesc_t* fields =
            row.is_arm ? MainArmRequestMsg_fields : CleaningComponentRequest_fields;
        JsonNotes notes;
        const std::string json = json_of(fields, {row.text}, notes);
        std::string error;
        ASSERT_TRUE(parse_json(json, fields, &record, error)) << json << ": " << error;
        EXPECT_EQ(encoded(fields, &record), hex_of(bytes_of(row.payload))) << json;
    }
}

TEST(JsonReader, ReadsEveryFormTheOfficialParserTakesAndEnumeratorNames) {
    const struct {
        bool is_arm;
        const char* json;
        const char* text;  // the same request in the text format
    } rows[] = {
        {false, R"({"power_cmd": {"channel": "POWER_CHASSIS", "on_off": "POWER_ON"}})",
         "power_cmd { channel: POWER_CHASSIS on_off: POWER_ON }"},
        {false, R"({"powerCmd": {"onOff": "1", "channel": 6.0}})",
         "power_cmd { channel: 6 on_off: 1 }"},
        {false, R"({"leds": {"top": {"rgb": 4294967295, "mode": "LED_BLINKING"}, "led_2": {}}})",
         "leds { top { rgb: 4294967295 mode: LED_BLINKING } led_2 {} }"},
        {false,
         R"({"motors": {"toolboxMotor": {"selectMask": "SELECT_3", "drive": null}}, "chassis": {}, "spare_1": "2", "leds": null})",
         "motors { toolbox_motor { select_mask: SELECT_3 } } chassis {} spare_1: 2"},
        {false, "{\n  \"spare1\" : -0 ,\r\n\t\"platformCmd\": \"-1E0\"\n}", "platform_cmd: -1"},
        {true,
         R"({"req_type": "SYNC_MAIN_ARM", "angles": {"angle": [0, 0.1, "-0.2", "NaN", "Infinity", "-Infinity"]}})",
         "req_type: SYNC_MAIN_ARM angles { angle: [0, 0.1, -0.2, nan, inf, -inf] }"},
        {true, R"({"reqType": 3.0, "enable": true})", "req_type: 3 enable: true"},
        {true, R"({"angles": {"angle": [-0.0, 5e-324]}})", "angles { angle: [-0, 5e-324] }"},
        {true, R"({"reqType": null, "enable": null, "angles": {"angle": null}})", "angles {}"},
        {true, R"({"timestamp": 1796740442079, "forceFeedback": false})",
         "timestamp: 1796740442079 force_feedback: false"},
        {true, R"({"force_torque": {"timestamp": "5", "force": {"x": 1e-300}, "torque": {}}})",
         "force_torque { timestamp: 5 force { x: 1e-300 } torque {} }"},
    };
    for (const auto& row : rows) {
        const pb_msgdesc_t* fields =
            row.is_arm ? MainArmRequestMsg_fields : CleaningComponentRequest_fields;
        Made typed(fields, {row.text}, true);
        EXPECT_EQ(read_json(fields, row.json), encoded(fields, &typed.record)) << row.json;
    }
}

TEST(JsonReader, RefusalsNameThePlaceTheFieldAndWhatWasExpected) {
    const pb_msgdesc_t* const ARM = MainArmRequestMsg_fields;
    const pb_msgdesc_t* const BOARD = CleaningComponentRequest_fields;
    const std::string id(1024, 'a');
    const struct {
        const pb_msgdesc_t* fields;
        std::string json;
        std::string error;
    } rows[] = {
        {ARM, "",
         "line 1, column 1: syntax error while parsing value - unexpected end of input; "
         "expected '[', '{', or a literal"},
        {ARM, R"({"reqType": 1,})",
         "line 1, column 15: syntax error while parsing object key - unexpected '}'; expected "
         "string literal"},
        {ARM, R"({"reqType": 1} x)",
         "line 1, column 16: syntax error while parsing value - invalid literal; last read: '1} "
         "x'; expected end of input"},
        {ARM, "{\"angles\": {\"angle\": [1e400]}}",
         "line 1, column 27: number overflow parsing '1e400'"},
        {MainArmResponseMsg_fields, "{\"id\": \"\xff\"}",
         "line 1, column 9: syntax error while parsing value - invalid string: ill-formed UTF-8 "
         "byte; last read: '\"\xff'"},
        {ARM, "[1]", "line 1, column 1: expected an object (MainArmRequestMsg), found an array"},
        {ARM, R"({"reqType": 1, "foo": 2})",
         "line 1, column 16: unknown field \"foo\" in MainArmRequestMsg, expected one of: "
         "req_type, enable, angles, force_torque, force_feedback, timestamp"},
        {BOARD, R"({"power_cmd": {"chanel": 6}})",
         "line 1, column 16: power_cmd: unknown field \"chanel\" in PowerCtrlCmd, expected one "
         "of: spare_1, channel, on_off"},
        {MainArmResponseMsg_fields, R"({"error": "x"})",
         "line 1, column 2: unknown field \"error\" in MainArmResponseMsg, expected one of: "
         "req_type, id, success, timestamp"},
        {BOARD, R"({"powerCmd": {"channel": "POWER_CHASIS"}})",
         "line 1, column 26: powerCmd.channel: unknown name \"POWER_CHASIS\" for channel, "
         "expected a number or one of POWER_CHANNEL_NONE, POWER_WHOLE_MACHINE, POWER_CHASSIS, "
         "POWER_HUB, "
         "POWER_ARM, POWER_END_TOOL"},
        {BOARD, R"({"powerCmd": {"channel": 4294967296}})",
         "line 1, column 26: powerCmd.channel: 4294967296 is out of range for channel, a uint32"},
        {BOARD, R"({"spare_1": "2147483648"})",
         "line 1, column 13: spare_1: 2147483648 is out of range for spare_1, an int32"},
        {ARM, R"({"timestamp": 9223372036854775808})",
         "line 1, column 15: timestamp: 9223372036854775808 is out of range for timestamp, an "
         "int64"},
        {ARM, R"({"timestamp": -1e19})",
         "line 1, column 15: timestamp: -10000000000000000000 is out of range for timestamp, an "
         "int64"},
        {ARM, R"({"reqType": 2.5})", "line 1, column 13: reqType: expected an integer, found 2.5"},
        {ARM, R"({"enable": "true"})",
         "line 1, column 12: enable: expected true or false, found \"true\""},
        {ARM, R"({"angles": {"angle": ["nan"]}})",
         "line 1, column 23: angles.angle[0]: expected a number, found \"nan\""},
        {BOARD, R"({"chassis": 1})", "line 1, column 13: chassis: expected an object, found 1"},
        {BOARD, R"({"spare_1": {}})",
         "line 1, column 13: spare_1: expected an integer, found an object"},
        {ARM, R"({"angles": {"angle": 1}})",
         "line 1, column 22: angles.angle: expected an array, found 1"},
        {ARM, R"({"reqType": [1]})",
         "line 1, column 13: reqType: expected an integer, found an array"},
        {ARM, R"({"angles": {"angle": [1, null]}})",
         "line 1, column 26: angles.angle[1]: null is not a value of a repeated field"},
        {ARM, R"({"force_feedback": false, "enable": null, "angles": {}})",
         "line 1, column 53: angles: force_feedback and angles are both members of oneof "
         "payload"},
        {ARM, R"({"req_type": 1, "reqType": 2})", "line 1, column 17: reqType: given twice"},
        {ARM, R"({"angles": {"angle": [1, 2, 3, 4, 5, 6, 7]}})",
         "line 1, column 41: angles.angle[6]: more than 6 values"},
        {MainArmResponseMsg_fields, "{\"id\": \"" + id + "\"}",
         "line 1, column 8: id: id holds at most 1023 bytes, not 1024"},
        {MainArmResponseMsg_fields, R"({"id": "a\u0000"})",
         "line 1, column 8: id: a zero byte in a string"},
        {ARM, "{\n  \"reqType\": 1,\n  \"enable\": 2\n}",
         "line 3, column 13: enable: expected true or false, found 2"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(read_json(row.fields, row.json), "refused: " + row.error) << row.json;
    }
}

}  // namespace
