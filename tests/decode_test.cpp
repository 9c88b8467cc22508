// Answers as the tools decode them: size check, text callbacks, arm oneof.
#include <gtest/gtest.h>
#include <pb_decode.h>

#include <cstring>

#include "arm.pb.h"
#include "arm/arm_reply.h"
#include "board.pb.h"
#include "board/board_reply.h"
#include "link/frame.h"
#include "proto/text_buffer.h"
#include "report/arm_report.h"
#include "tests/support/capture.h"

namespace {

FrameBuffer frame_with(const std::string& payload, FrameFormat format) {
    FrameBuffer buffer{};
    write_header(buffer.data(), static_cast<uint32_t>(payload.size()), format);
    std::memcpy(buffer.data() + format.header_size, payload.data(), payload.size());
    return buffer;
}

struct BoardAnswer {
    bool decoded = false;
    std::string log;
    BoardReply reply;
};

// Decode a signal-board payload as board_console does.
void decode_board(const std::string& payload, BoardAnswer& answer) {
    FrameBuffer buffer = frame_with(payload, BOARD_FRAME);
    StdoutCapture capture;
    answer.decoded = unpack_board_reply(answer.reply, buffer, payload.size() + 2);
    answer.log = without_timestamps(capture.finish());
}

TEST(BoardResponseDecoding, WorkedExample) {
    BoardAnswer a;
    decode_board(bytes_of("08 03 12 07 0A 05") + "1.2.3" + bytes_of("22 08 08 02 12 04") + "busy",
                 a);
    ASSERT_TRUE(a.decoded) << a.log;
    EXPECT_EQ(a.reply.record.resp_id, 3);
    EXPECT_TRUE(a.reply.record.has_version_info);
    EXPECT_STREQ(a.reply.version.text, "1.2.3");
    EXPECT_TRUE(a.reply.record.has_error_info);
    EXPECT_EQ(a.reply.record.error_info.code, 2);
    EXPECT_STREQ(a.reply.error.text, "busy");
    EXPECT_EQ(a.log, "");
}

TEST(BoardResponseDecoding, EdgeCases) {
    BoardAnswer a;
    decode_board(bytes_of("08 05"), a);
    EXPECT_TRUE(a.decoded);
    EXPECT_EQ(a.reply.record.resp_id, 5);
    EXPECT_FALSE(a.reply.record.has_version_info);
    EXPECT_FALSE(a.reply.record.has_error_info);

    BoardAnswer code_only;
    decode_board(bytes_of("22 02 08 02"), code_only);
    EXPECT_TRUE(code_only.decoded);
    EXPECT_TRUE(code_only.reply.record.has_error_info);
    EXPECT_STREQ(code_only.reply.error.text, "");

    BoardAnswer unknown;
    decode_board(bytes_of("48 07 08 09 2a 04 08 01 10 01"), unknown);
    EXPECT_TRUE(unknown.decoded);
    EXPECT_EQ(unknown.reply.record.resp_id, 9);

    BoardAnswer empty;
    decode_board("", empty);
    EXPECT_TRUE(empty.decoded);
    EXPECT_EQ(empty.reply.record.resp_id, 0);
}

TEST(BoardResponseDecoding, LongestVersionThatFitsAFrame) {
    std::string text(1016, 'v');
    BoardAnswer a;
    decode_board(bytes_of("12 fb 07 0a f8 07") + text, a);
    ASSERT_TRUE(a.decoded) << a.log;
    EXPECT_EQ(std::string(a.reply.version.text), text);
}

TEST(BoardResponseDecoding, MalformedPayloadFailsWithBothLines) {
    const char* payloads[] = {"08", "12 05 0a 03 41", "0b 00",
                              "08 ff ff ff ff ff ff ff ff ff ff 01"};
    for (const char* payload : payloads) {
        BoardAnswer a;
        decode_board(bytes_of(payload), a);
        EXPECT_FALSE(a.decoded) << payload;
        EXPECT_EQ(a.log, "[T] [ERROR] pb_decode failed\n[T] [ERROR] decode failed!\n") << payload;
    }
}

TEST(TextCallback, LastTextWinsAndEmptyTextEmptiesTheBuffer) {
    BoardAnswer twice;
    decode_board(bytes_of("12 08 0a 06") + "longer" + bytes_of("12 05 0a 03") + "abc", twice);
    EXPECT_TRUE(twice.decoded);
    EXPECT_STREQ(twice.reply.version.text, "abc");

    BoardAnswer emptied;
    decode_board(bytes_of("12 05 0a 03") + "abc" + bytes_of("12 02 0a 00"), emptied);
    EXPECT_TRUE(emptied.decoded);
    EXPECT_STREQ(emptied.reply.version.text, "");
}

TEST(SizeCheck, HeaderMustEqualTheByteCountLessTheHeader) {
    const struct {
        const char* frame;
        int count;
        bool passes;
        const char* log;
    } cases[] = {
        {"05 00 08 81 01 18 02", 7, true, ""},
        {"06 00 08 81 01 18 02", 7, false,
         "[T] [ERROR] msg size err: total:7, msg len:6\n[T] [ERROR] decode failed!\n"},
        {"05 00", 1, false,
         "[T] [ERROR] msg size err: total:1, msg len:5\n[T] [ERROR] decode failed!\n"},
        {"00 00", 2, true, ""},
    };
    for (const auto& c : cases) {
        FrameBuffer buffer{};
        std::string bytes = bytes_of(c.frame);
        std::memcpy(buffer.data(), bytes.data(), bytes.size());
        CleaningComponentResponse response{};
        StdoutCapture capture;
        bool ok =
            unpack_reply(buffer, c.count, CleaningComponentResponse_fields, &response, BOARD_FRAME);
        EXPECT_EQ(ok, c.passes) << c.frame;
        EXPECT_EQ(without_timestamps(capture.finish()), c.log) << c.frame;
    }
}

TEST(SizeCheck, ArmHeaderIsBigEndian) {
    FrameBuffer buffer = frame_with(bytes_of("08 03 18 01"), ARM_FRAME);
    MainArmResponseMsg response{};
    StdoutCapture capture;
    EXPECT_TRUE(unpack_reply(buffer, 8, MainArmResponseMsg_fields, &response, ARM_FRAME));
    EXPECT_FALSE(unpack_reply(buffer, 9, MainArmResponseMsg_fields, &response, ARM_FRAME));
    EXPECT_EQ(without_timestamps(capture.finish()),
              "[T] [ERROR] msg size err: total:9, msg len:4\n[T] [ERROR] decode failed!\n");
}

// Decode an arm_console answer as arm_console does, in its frame.
bool decode_arm(const std::string& body, ArmReply& reply) {
    FrameBuffer buffer = frame_with(body, ARM_FRAME);
    StdoutCapture capture;
    bool decoded = unpack_arm_reply(reply, buffer, body.size() + 4);
    capture.finish();
    return decoded;
}

TEST(ArmResponseDecoding, IdAndSuccessDecodeInEitherOrder) {
    const struct {
        const char* body;
        pb_size_t which;
        const char* id;  // nullptr: success
        bool success;
        const char* error;
    } answers[] = {
        {"08 01 12 03 41 42 43", MainArmResponseMsg_id_tag, "ABC", false, ""},
        {"08 03 18 01", MainArmResponseMsg_success_tag, nullptr, true, ""},
        {"18 01 12 04 61 72 6d 31 22 02 6e 6f", MainArmResponseMsg_id_tag, "arm1", false, "no"},
        {"12 04 61 72 6d 31 18 00", MainArmResponseMsg_success_tag, nullptr, false, ""},
        {"18 01 12 00", MainArmResponseMsg_id_tag, "", false, ""},
    };
    for (const auto& a : answers) {
        ArmReply reply;
        ASSERT_TRUE(decode_arm(bytes_of(a.body), reply)) << a.body;
        EXPECT_EQ(reply.record.which_result, a.which) << a.body;
        if (a.id != nullptr) {
            EXPECT_STREQ(reply.record.result.id, a.id) << a.body;
        } else {
            EXPECT_EQ(reply.record.result.success, a.success) << a.body;
        }
        EXPECT_STREQ(reply.error.text, a.error) << a.body;
    }
}

// The longest texts a frame holds: 1020 bytes of payload less a tag and a length of two.
TEST(ArmResponseDecoding, TheLongestTextsOfAFrameDecode) {
    ArmReply error;
    ASSERT_TRUE(decode_arm(bytes_of("22 f9 07") + std::string(1017, 'e'), error));
    EXPECT_EQ(std::strlen(error.error.text), 1017u);
    ArmReply id;
    ASSERT_TRUE(decode_arm(bytes_of("18 01 12 f7 07") + std::string(1015, 'i'), id));
    EXPECT_EQ(id.record.which_result, MainArmResponseMsg_id_tag);
    EXPECT_EQ(std::strlen(id.record.result.id), 1015u);
}

// A text callback holds at most 1023 bytes; a longer text fails the whole decode.
TEST(TextCallback, ATextLongerThanItsBufferFailsTheDecode) {
    for (size_t length : {1023u, 1024u}) {
        const std::string body = bytes_of("22") + static_cast<char>(0x80 | (length & 0x7f)) +
                                 static_cast<char>(length >> 7) + std::string(length, 'e');
        ArmReply reply;
        pb_istream_t stream =
            pb_istream_from_buffer(reinterpret_cast<const pb_byte_t*>(body.data()), body.size());
        EXPECT_EQ(pb_decode(&stream, MainArmResponseMsg_fields, &reply.record), length == 1023)
            << length;
    }
}

// Decode a report body as arm_monitor does, in its frame.
bool decode_state(const std::string& body, ArmReport& report) {
    FrameBuffer buffer = frame_with(body, ARM_FRAME);
    return decode_report(report, buffer, body.size() + 4) == Unpacked::DECODED;
}

std::string poses(int count, bool packed) {
    std::string body;
    std::string one = bytes_of("00 00 00 00 00 00 f0 3f");  // 1.0
    if (packed) {
        body = bytes_of("12") + static_cast<char>(8 * count);
        for (int i = 0; i < count; ++i) body += one;
    } else {
        for (int i = 0; i < count; ++i) body += bytes_of("11") + one;
    }
    return body;
}

TEST(StateDecoding, AtMostSixPosesPackedOrNot) {
    ArmReport report;
    const MainArmStateMsg& state = report.record;
    EXPECT_TRUE(decode_state(poses(6, true), report));
    EXPECT_EQ(state.poses_count, 6);
    EXPECT_DOUBLE_EQ(state.poses[5], 1.0);
    EXPECT_TRUE(decode_state(poses(6, false), report));
    EXPECT_EQ(state.poses_count, 6);
    EXPECT_FALSE(decode_state(poses(7, true), report));
    EXPECT_FALSE(decode_state(poses(7, false), report));
    EXPECT_TRUE(decode_state("", report));
    EXPECT_EQ(state.poses_count, 0);
    EXPECT_FALSE(state.has_angles);
}

TEST(StateDecoding, ShorterErrorTextFollowingALongerOneShowsOnlyItself) {
    ArmReport report;
    ASSERT_TRUE(decode_state(bytes_of("32 07") + "abc\x1b[2J", report));
    EXPECT_STREQ(report.error.text, "abc\x1b[2J");
    EXPECT_EQ(report.error_shown, "abc\\x1b[2J");  // made safe to print once, for lines and rows
    ASSERT_TRUE(decode_state(bytes_of("32 03") + "xyz", report));
    EXPECT_STREQ(report.error.text, "xyz");
    EXPECT_EQ(report.error_shown, "xyz");
    ASSERT_TRUE(decode_state("", report));
    EXPECT_EQ(report.error_shown, "");
}

TEST(StateDecoding, ScalarFieldsAndEmptyAngles) {
    ArmReport report;
    const MainArmStateMsg& state = report.record;
    ASSERT_TRUE(decode_state(bytes_of("18 05 20 01 38 02 0a 00"), report));
    EXPECT_EQ(state.timestamp, 5);
    EXPECT_TRUE(state.grip);
    EXPECT_FALSE(state.enable);
    EXPECT_EQ(state.state, 2u);
    EXPECT_TRUE(state.has_angles);
    EXPECT_EQ(state.angles.angle_count, 0);
}

}  // namespace
