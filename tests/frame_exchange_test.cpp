// Replies taken from a real loopback link, however TCP cuts or merges them.
#include "link/frame_exchange.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "board.pb.h"
#include "proto/text_buffer.h"
#include "tests/support/capture.h"
#include "tests/support/fake_peer.h"

namespace {

struct Received {
    int count;  // as "rev len" shows it
    std::string frame;
    std::string log;
    bool framing_lost;
};

Received receive(FrameStream& stream) {
    FrameBuffer reply{};
    StdoutCapture capture;
    FrameResult result = receive_reply(stream, reply);
    int count = logged_length(result);
    Received r{count,
               count > 0
                   ? std::string(reinterpret_cast<char*>(reply.data()), static_cast<size_t>(count))
                   : std::string(),
               without_timestamps(capture.finish()), result.kind == FrameResult::FRAMING_LOST};
    return r;
}

const std::string ANSWER = bytes_of("05 00 08 03 18 02 00");           // 7-byte board frame
const std::string REPORT = bytes_of("00 00 00 06 18 05 20 01 38 02");  // 10-byte arm frame

struct Link {
    explicit Link(std::vector<PeerStep> script, FrameFormat format = BOARD_FRAME)
        : peer(std::move(script)) {
        stream.link = connect_loopback(peer.port());
        stream.format = format;
    }
    ~Link() { close(stream.link); }
    FakePeer peer;
    FrameStream stream;
};

TEST(FrameExchange, WholeFrameIsDeliveredWithItsLength) {
    Link link({send_bytes(ANSWER)});
    Received r = receive(link.stream);
    EXPECT_EQ(r.count, 7);
    EXPECT_EQ(r.frame, ANSWER);
    EXPECT_EQ(r.log, "[T] [INFO] rev len: 7 \n");
}

TEST(FrameExchange, SplitFrameIsAssembled) {
    Link link({send_bytes(ANSWER.substr(0, 1)), pause_for(50), send_bytes(ANSWER.substr(1, 3)),
               pause_for(50), send_bytes(ANSWER.substr(4))});
    Received r = receive(link.stream);
    EXPECT_EQ(r.count, 7);
    EXPECT_EQ(r.frame, ANSWER);
    EXPECT_EQ(r.log, "[T] [INFO] rev len: 7 \n");
}

TEST(FrameExchange, MergedFramesAreEachDelivered) {
    std::string second = bytes_of("02 00 08 04");
    Link link({send_bytes(ANSWER + second + ANSWER)});
    EXPECT_EQ(receive(link.stream).frame, ANSWER);
    EXPECT_EQ(receive(link.stream).frame, second);
    Received third = receive(link.stream);
    EXPECT_EQ(third.frame, ANSWER);
    EXPECT_EQ(third.log, "[T] [INFO] rev len: 7 \n");
}

TEST(FrameExchange, ArmFramesSplitAndMerged) {
    Link link({send_bytes(REPORT + REPORT.substr(0, 3)), pause_for(50),
               send_bytes(REPORT.substr(3) + REPORT)},
              ARM_FRAME);
    for (int i = 0; i < 3; ++i) {
        Received r = receive(link.stream);
        EXPECT_EQ(r.count, 10) << i;
        EXPECT_EQ(r.frame, REPORT) << i;
    }
}

TEST(FrameExchange, FrameCutAtEveryLengthThenClosedIsNeverDelivered) {
    for (size_t cut = 0; cut <= ANSWER.size(); ++cut) {
        Link link({send_bytes(ANSWER.substr(0, cut)), close_link()});
        Received r = receive(link.stream);
        if (cut == ANSWER.size()) {
            EXPECT_EQ(r.count, 7);
            EXPECT_EQ(receive(link.stream).log, "[T] [INFO] rev len: 0 \n");
        } else {
            EXPECT_EQ(r.count, 0) << cut;
            EXPECT_EQ(r.log, "[T] [INFO] rev len: 0 \n") << cut;
        }
    }
}

TEST(FrameExchange, FrameCutAtEveryLengthThenCompletedIsDeliveredWhole) {
    for (size_t cut = 1; cut < REPORT.size(); ++cut) {
        Link link(
            {send_bytes(REPORT.substr(0, cut)), pause_for(20), send_bytes(REPORT.substr(cut))},
            ARM_FRAME);
        Received r = receive(link.stream);
        EXPECT_EQ(r.frame, REPORT) << cut;
        EXPECT_EQ(r.log, "[T] [INFO] rev len: 10 \n") << cut;
    }
}

TEST(FrameExchange, ResetLinkIsAFailedRead) {
    Link link({send_bytes(ANSWER.substr(0, 3)), pause_for(50), reset_link()});
    Received r = receive(link.stream);
    EXPECT_EQ(r.count, -1);
    EXPECT_EQ(r.log, "[T] [INFO] rev len: -1 \n");
}

TEST(FrameExchange, OversizeHeaderIsHandedOutOnceAndTheStreamStops) {
    // 0x03ff = 1023 bytes of payload: one more than any board frame can carry.
    std::string frame = bytes_of("ff 03 08 01") + ANSWER;
    Link link({send_bytes(frame)});
    Received r = receive(link.stream);
    EXPECT_EQ(r.count, static_cast<int>(frame.size()));
    EXPECT_EQ(r.log, "[T] [INFO] rev len: 11 \n");
    EXPECT_TRUE(r.framing_lost);

    FrameBuffer reply{};
    std::memcpy(reply.data(), r.frame.data(), r.frame.size());
    CleaningComponentResponse response{};
    StdoutCapture capture;
    EXPECT_FALSE(unpack_reply(reply, static_cast<size_t>(r.count), CleaningComponentResponse_fields,
                              &response, BOARD_FRAME));
    EXPECT_EQ(without_timestamps(capture.finish()),
              "[T] [ERROR] msg size err: total:11, msg len:1023\n[T] [ERROR] decode failed!\n");

    auto start = std::chrono::steady_clock::now();
    Received after = receive(link.stream);
    EXPECT_EQ(after.count, -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(FrameExchange, HugeArmHeaderNeverOverrunsTheReplyBuffer) {
    std::string flood = bytes_of("7f ff ff ff") + std::string(3000, 'x');
    Link link({send_bytes(flood)}, ARM_FRAME);
    Received r = receive(link.stream);
    EXPECT_GT(r.count, 0);
    EXPECT_LE(r.count, 1024);
    EXPECT_TRUE(r.framing_lost);
}

TEST(FrameExchange, LargestFramesFitTheBuffer) {
    std::string board = bytes_of("fe 03") + std::string(1022, 'b');
    std::string arm = bytes_of("00 00 03 fc") + std::string(1020, 'a');
    Link board_link({send_bytes(board + board)});
    EXPECT_EQ(receive(board_link.stream).frame, board);
    EXPECT_EQ(receive(board_link.stream).frame, board);
    Link arm_link({send_bytes(arm)}, ARM_FRAME);
    EXPECT_EQ(receive(arm_link.stream).frame, arm);
}

TEST(SendFrame, PackedFramesOf300BytePayloadsArriveWithTheirHeaders) {
    static text_buffer text;
    std::memset(text.text, 'p', 297);  // key, two length bytes, 297 bytes of text
    VersionInfo info{};
    bind_text_to_send(info.version, text);
    const struct {
        FrameFormat format;
        const char* header;
    } cases[] = {{BOARD_FRAME, "2c01"}, {ARM_FRAME, "0000012c"}};
    for (const auto& c : cases) {
        Link link({receive_bytes(300 + c.format.header_size)});
        FrameBuffer frame{};
        StdoutCapture capture;
        size_t length = pack_request(VersionInfo_fields, &info, c.format, frame).length;
        capture.finish();
        ASSERT_EQ(length, 300 + c.format.header_size);
        FrameResult sent = send_frame(link.stream.link, frame.data(), length);
        EXPECT_TRUE(sent.is_frame());
        EXPECT_EQ(sent.length, length);
        close(link.stream.link);
        link.stream.link = -1;
        std::string received = link.peer.received();
        ASSERT_EQ(received.size(), length);
        EXPECT_EQ(hex_of(received.substr(0, c.format.header_size)), c.header);
        EXPECT_EQ(received.substr(c.format.header_size + 3), std::string(297, 'p'));
    }
    clear_text(text);
}

TEST(SendFrame, NothingToSendIsAFailedWrite) {
    Link link({});
    uint8_t none = 0;
    EXPECT_EQ(send_frame(link.stream.link, &none, 0).kind, FrameResult::FAILED);
}

TEST(SendFrame, ClosedPeerGivesAnErrorNotSigpipe) {
    Link link({reset_link()});
    link.peer.received(10);  // the peer has reset the link
    std::string frame(1024, 'z');
    FrameResult result{FrameResult::FRAME, 0};
    for (int i = 0; i < 50 && result.is_frame(); ++i) {
        result = send_frame(link.stream.link, reinterpret_cast<const uint8_t*>(frame.data()),
                            frame.size());
        usleep(10 * 1000);
    }
    EXPECT_EQ(result.kind, FrameResult::FAILED);
}

}  // namespace
