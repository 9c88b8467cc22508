// arm_monitor --serve: the arm's reports live to the viewers over their
// WebSocket protocol, as the official client (@foxglove/ws-protocol, in
// tests/viewer_client) and a client made by hand (tests/support/raw_viewer.h)
// see them: the greeting, every report in order and byte for byte, decoded
// with the schema advertised; several viewers at once, one of which stops
// reading; every bad input answered or closed, that viewer alone; and an
// address that cannot be listened on refused before the arm is dialled.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <thread>

#include "proto/arm_descriptor.h"
#include "tests/support/arm_reports.h"
#include "tests/support/background.h"
#include "tests/support/directory.h"
#include "tests/support/raw_viewer.h"
#include "tests/support/scenario.h"

namespace {

using nlohmann::json;

const std::string CLIENT = std::string(VOSTREL_SOURCE_DIR) + "/tests/viewer_client/watch_viewer.js";

std::string report(int k, const char* error = "") {
    return report_frame(
        [k](MainArmStateMsg& r) {
            r.timestamp = 1000000 + k;
            r.state = 7;
            r.poses_count = 2;
            r.poses[0] = k * 0.5;
            r.poses[1] = -0.25;
        },
        error);
}

// The port of "serving the viewers on ws://127.0.0.1:PORT" (0 when none came).
uint16_t served_port(const BackgroundProgram& monitor) {
    const std::string marker = "serving the viewers on ws://127.0.0.1:";
    const std::string log = monitor.log_holding(marker);
    const size_t at = log.find(marker);
    return at == std::string::npos
               ? 0
               : static_cast<uint16_t>(std::stoi(log.substr(at + marker.size())));
}

// Wait (up to 10 s) until the monitor has logged `text` `count` times.
bool logged(const BackgroundProgram& monitor, const std::string& text, size_t count) {
    for (int i = 0; i < 1000; ++i) {
        if (count_of(monitor.log(), text) >= count) return true;
        usleep(10 * 1000);
    }
    return false;
}

bool official_client_here() {
    const std::string modules =
        std::string(VOSTREL_SOURCE_DIR) + "/tests/viewer_client/node_modules/";
    return run_program_at(
               "/usr/bin/env",
               {"node", "-e",
                "require('" + modules + "@foxglove/ws-protocol'); require('" + modules + "ws')"},
               RunOptions{})
               .status == 0;
}

// The lines of the official client (watch_viewer.js) that start with `word`, without it.
std::vector<std::string> lines_of(const std::string& out, const std::string& word) {
    std::vector<std::string> found;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(word + " ", 0) == 0) found.push_back(line.substr(word.size() + 1));
    }
    return found;
}

// The client's advertised schema and messages, decoded by the official
// protobuf library (python3): the schema's hex, then each message's
// timestamp, state and poses.
std::string decoded_with_the_advertised_schema(const std::string& client_lines) {
    const char* script =
        "import base64, json, sys\n"
        "from google.protobuf import descriptor_pb2, descriptor_pool, message_factory\n"
        "channel, messages = None, []\n"
        "for line in sys.stdin:\n"
        "    word, _, rest = line.rstrip('\\n').partition(' ')\n"
        "    if word == 'advertise': channel = json.loads(rest)[0]\n"
        "    if word == 'message': messages.append(bytes.fromhex((rest.split() + [''])[2]))\n"
        "schema = base64.b64decode(channel['schema'])\n"
        "print(schema.hex())\n"
        "pool = descriptor_pool.DescriptorPool()\n"
        "for f in descriptor_pb2.FileDescriptorSet.FromString(schema).file: pool.Add(f)\n"
        "kind = message_factory.MessageFactory(pool).GetPrototype(\n"
        "    pool.FindMessageTypeByName(channel['schemaName']))\n"
        "for m in messages:\n"
        "    r = kind.FromString(m)\n"
        "    print(r.timestamp, r.state, list(r.poses))\n";
    RunOptions options;
    options.input = {InputChunk(client_lines)};
    ProgramRun run = run_program_at("/usr/bin/python3", {"-c", script}, options);
    return run.status == 0 ? run.out : "undecoded: " + run.err;
}

int64_t wall_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The official client: the greeting, then every report the arm sent, in
// order, its payload exactly as sent, stamped when its frame was complete,
// decoded with the schema advertised; a normal close when the watch ends.
TEST(Viewer, TheOfficialClientGetsEveryReportAsTheArmSentIt) {
    if (!official_client_here()) GTEST_SKIP() << "no node and the official client here";
    constexpr int COUNT = 40;
    std::string reports;
    for (int k = 0; k < COUNT; ++k) reports += report(k);
    FakePeer peer({receive_arm_frame(), gate(), send_bytes(reports), close_link()});
    BackgroundProgram monitor("arm_monitor", {"--serve", "0", "127.0.0.1", peer.port_text()});
    const uint16_t port = served_port(monitor);
    ASSERT_GT(port, 0) << monitor.log();
    RunOptions options;
    options.input = {once_output_holds("subscribed ", "", [&] {
        logged(monitor, " subscribed", 1);
        peer.open_gate();
    })};
    const int64_t before = wall_ns();
    ProgramRun client = run_program_at(
        "/usr/bin/env",
        {"node", CLIENT, std::to_string(port), std::to_string(COUNT), "20", "--until-close"},
        options);
    const int64_t after = wall_ns();
    EXPECT_EQ(monitor.stop(), 0) << monitor.log();
    EXPECT_EQ(client.status, 0) << client.out << client.err;
    EXPECT_EQ(lines_of(client.out, "open"), std::vector<std::string>{"foxglove.websocket.v1"});
    const json info = json::parse(lines_of(client.out, "serverInfo").at(0));
    EXPECT_EQ(info["name"], "arm_monitor");
    EXPECT_EQ(info["capabilities"], json::array());
    EXPECT_EQ(info["metadata"], json({{"controller", "127.0.0.1:" + peer.port_text()}}));
    EXPECT_TRUE(info["sessionId"].is_string() && !info["sessionId"].get<std::string>().empty());
    const json channels = json::parse(lines_of(client.out, "advertise").at(0));
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_EQ(channels[0]["id"], 1);
    EXPECT_EQ(channels[0]["topic"], "/arm/state");
    EXPECT_EQ(channels[0]["encoding"], "protobuf");
    EXPECT_EQ(channels[0]["schemaName"], "MainArmStateMsg");
    EXPECT_EQ(channels[0]["schemaEncoding"], "protobuf");
    const std::string subscription = lines_of(client.out, "subscribed").at(0);
    const std::vector<std::string> messages = lines_of(client.out, "message");
    ASSERT_EQ(messages.size(), static_cast<size_t>(COUNT)) << client.out;
    int64_t last = before;
    for (int k = 0; k < COUNT; ++k) {
        std::istringstream words(messages[k]);
        std::string id, payload;
        int64_t stamp = 0;
        words >> id >> stamp >> payload;
        EXPECT_EQ(id, subscription);
        EXPECT_EQ(payload, hex_of(report(k).substr(4))) << k;
        EXPECT_GE(stamp, last) << k;  // in order, and within the run
        EXPECT_LE(stamp, after) << k;
        last = stamp;
    }
    EXPECT_EQ(lines_of(client.out, "close"), std::vector<std::string>{"1000"}) << client.out;
    std::string expected = hex_of(std::string(reinterpret_cast<const char*>(ARM_DESCRIPTOR_SET),
                                              ARM_DESCRIPTOR_SET_SIZE)) +
                           "\n";
    for (int k = 0; k < COUNT; ++k) {
        expected += std::to_string(1000000 + k) + " 7 [" + std::to_string(k / 2) +
                    (k % 2 ? ".5" : ".0") + ", -0.25]\n";
    }
    EXPECT_EQ(decoded_with_the_advertised_schema(client.out), expected);
    EXPECT_NE(monitor.log().find("viewer 127.0.0.1:"), std::string::npos);
    EXPECT_NE(monitor.log().find(" left: " + std::to_string(COUNT) + " messages sent, 0 dropped"),
              std::string::npos)
        << monitor.log();
}

// The message data a viewer gets: opcode 1, its subscription id (u32 LE), a
// time (u64 LE), then the payload as the arm sent it.
bool is_message_data(const std::string& data, uint32_t subscription, const std::string& payload) {
    std::string id(4, '\0');
    for (int i = 0; i < 4; ++i) id[i] = static_cast<char>(subscription >> (8 * i));
    return data.size() == 13 + payload.size() && data[0] == 1 && data.substr(1, 4) == id &&
           data.substr(13) == payload;
}

std::string subscribe_text(uint32_t id, uint32_t channel = 1) {
    return R"({"op":"subscribe","subscriptions":[{"id":)" + std::to_string(id) +
           R"(,"channelId":)" + std::to_string(channel) + "}]}";
}

// Several viewers at once, one of which subscribes and then stops reading:
// the others get every report, the monitor prints every report, and the
// stalled one, reading again, is told how many were dropped for it alone.
TEST(Viewer, AViewerThatStopsReadingHoldsNoOneBack) {
    // More than the stalled one's queue (1 MiB) and socket buffers hold.
    constexpr int COUNT = 3000, READERS = 3;
    const std::string error(900, 'e');  // reports of about 1 KB
    std::vector<std::string> frames;
    std::string paced;
    for (int k = 0; k < COUNT; ++k) frames.push_back(report(k, error.c_str()));
    for (const std::string& frame : frames) paced += frame;
    ASSERT_EQ(paced.size(), COUNT * frames[0].size());
    FakePeer peer({receive_arm_frame(), gate(), send_paced(paced, frames[0].size(), 1500), gate(),
                   close_link()});
    BackgroundProgram monitor("arm_monitor", {"--serve", "0", "127.0.0.1", peer.port_text()});
    const uint16_t port = served_port(monitor);
    ASSERT_GT(port, 0) << monitor.log();
    std::vector<std::unique_ptr<RawViewer>> readers;
    for (int r = 0; r < READERS; ++r) {
        readers.push_back(std::make_unique<RawViewer>(port));
        ASSERT_TRUE(readers.back()->open_and_greeted());
        readers.back()->send_text(subscribe_text(10 + r));
    }
    RawViewer stalled(port, 4096);  // its kernel holds little of what it does not read
    ASSERT_TRUE(stalled.open_and_greeted());
    stalled.send_text(subscribe_text(99));
    ASSERT_TRUE(logged(monitor, " subscribed", READERS + 1)) << monitor.log();
    std::vector<std::vector<WsFrame>> got(READERS);
    std::vector<std::thread> threads;
    for (int r = 0; r < READERS; ++r) {
        threads.emplace_back([&, r] {
            for (int binaries = 0; binaries < COUNT;) {
                got[r].push_back(readers[r]->read_frame(30));
                if (got[r].back().opcode != 2) break;  // nothing else may come
                ++binaries;
            }
        });
    }
    peer.open_gate();
    for (std::thread& thread : threads) thread.join();
    for (int r = 0; r < READERS; ++r) {
        ASSERT_EQ(got[r].size(), static_cast<size_t>(COUNT)) << r << ": " << got[r].back().payload;
        for (int k = 0; k < COUNT; ++k) {
            ASSERT_TRUE(is_message_data(got[r][k].payload, 10 + r, frames[k].substr(4)))
                << r << " " << k;
        }
    }
    // Reading again, the stalled viewer is told what it missed.
    const std::string warning = stalled.read_text_holding("messages were dropped", 20);
    EXPECT_NE(warning.find(R"("level":1)"), std::string::npos) << warning;
    peer.open_gate();  // the arm closes the link: the watch ends
    for (int r = 0; r < READERS; ++r) {
        const WsFrame close = readers[r]->read_frame(10);
        EXPECT_EQ(close.opcode, 8);
        EXPECT_EQ(close.payload.substr(0, 2), std::string("\x03\xe8", 2));  // 1000
    }
    EXPECT_EQ(monitor.stop(), 0);
    const std::string log = monitor.log();
    EXPECT_EQ(count_of(log, " state:7 "), static_cast<size_t>(COUNT));
    EXPECT_EQ(count_of(log, " left: " + std::to_string(COUNT) + " messages sent, 0 dropped"),
              static_cast<size_t>(READERS))
        << log;
    unsigned long sent = 0, dropped = 0;
    bool found = false;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find(" left: ");
        if (at == std::string::npos) continue;
        sscanf(line.c_str() + at, " left: %lu messages sent, %lu dropped", &sent, &dropped);
        if (dropped > 0) found = true;
        if (dropped > 0) break;
    }
    ASSERT_TRUE(found) << log;
    EXPECT_EQ(sent + dropped, static_cast<unsigned long>(COUNT));
    EXPECT_NE(warning.find(std::string(R"("message":")")), std::string::npos);
}

// A monitor serving viewers while the arm reports ten times a second, for a
// minute at most.
struct ServingMonitor {
    FakePeer peer;
    BackgroundProgram monitor;
    uint16_t port;
    ServingMonitor()
        : peer({receive_arm_frame(), send_paced(repeated(report(1), 600), report(1).size(), 10)}),
          monitor("arm_monitor", {"--serve", "0", "127.0.0.1", peer.port_text()}),
          port(served_port(monitor)) {}
    static std::string repeated(const std::string& frame, int times) {
        std::string all;
        for (int i = 0; i < times; ++i) all += frame;
        return all;
    }
};

// The next message data's subscription id, skipping what else comes (-1: none came).
long next_data_subscription(RawViewer& viewer) {
    for (int i = 0; i < 100; ++i) {
        const WsFrame frame = viewer.read_frame(10);
        if (frame.opcode < 0) return -1;
        if (frame.opcode == 2 && frame.payload.size() >= 5) {
            uint32_t id = 0;
            for (int b = 3; b >= 0; --b) id = id << 8 | static_cast<uint8_t>(frame.payload[1 + b]);
            return id;
        }
    }
    return -1;
}

// Each bad message gets a status error and changes nothing: a subscription
// made afterwards (77) is the one data comes for, or the one held before;
// the link stays open.
TEST(Viewer, EachBadMessageIsAnsweredWithAnErrorAndChangesNothing) {
    const struct {
        const char* name;
        std::vector<std::pair<int, std::string>> frames;  // opcode, payload
        const char* answer;                               // in the last status
        long data_for;                                    // the subscription data comes for then
    } rows[] = {
        {"malformed JSON", {{1, "{\"op\":\"subscribe\","}}, "malformed message", 77},
        {"not an object", {{1, "[1,2]"}}, "malformed message", 77},
        {"unknown op", {{1, R"({"op":"dance"})"}}, R"(unknown op: \"dance\")", 77},
        {"unknown channel", {{1, subscribe_text(5, 9)}}, "subscribe: no channel 9", 77},
        {"malformed subscribe",
         {{1, R"({"op":"subscribe","subscriptions":[{"id":-1,"channelId":1}]})"}},
         "malformed subscribe",
         77},
        {"id used twice",
         {{1, subscribe_text(5)}, {1, subscribe_text(5)}},
         "subscription id 5 is in use",
         5},
        {"unknown unsubscribe",
         {{1, R"({"op":"unsubscribe","subscriptionIds":[3]})"}},
         "unsubscribe: no subscription 3",
         77},
        {"binary message",
         {{2, std::string("\x01\x01\x00\x00\x00"
                          "abc",
                          8)}},
         "binary messages are not taken",
         77},
        {"service call",
         {{2, std::string("\x02\x01\x00\x00\x00", 5)}},
         "binary messages are not taken",
         77},
        {"publish",
         {{1,
           R"({"op":"advertise","channels":[{"id":1,"topic":"/cmd","encoding":"json","schemaName":"x"}]})"}},
         "advertise refused: this server does not offer client publishing",
         77},
        {"parameters",
         {{1, R"({"op":"getParameters","parameterNames":[]})"}},
         "getParameters refused: this server does not offer parameters",
         77},
        {"connection graph",
         {{1, R"({"op":"subscribeConnectionGraph"})"}},
         "subscribeConnectionGraph refused: this server does not offer the connection graph",
         77},
        {"assets",
         {{1, R"({"op":"fetchAsset","uri":"file:///etc/passwd","requestId":1})"}},
         "fetchAsset refused: this server does not offer assets",
         77},
    };
    ServingMonitor serving;
    ASSERT_GT(serving.port, 0) << serving.monitor.log();
    for (const auto& row : rows) {
        RawViewer viewer(serving.port);
        ASSERT_TRUE(viewer.open_and_greeted()) << row.name;
        for (const auto& [opcode, payload] : row.frames) viewer.send_frame(opcode, payload);
        const std::string status = viewer.read_text_holding(R"("op":"status")");
        EXPECT_NE(status.find(R"("level":2)"), std::string::npos) << row.name << ": " << status;
        EXPECT_NE(status.find(row.answer), std::string::npos) << row.name << ": " << status;
        viewer.send_text(subscribe_text(77));
        EXPECT_EQ(next_data_subscription(viewer), row.data_for) << row.name;
        viewer.send_frame(9, "still there?");  // a ping: the link is open
        WsFrame pong;
        for (int i = 0; i < 100 && pong.opcode != 10 && (i == 0 || pong.opcode >= 0); ++i) {
            pong = viewer.read_frame(10);
        }
        EXPECT_EQ(pong.payload, "still there?") << row.name;
    }
    EXPECT_EQ(serving.monitor.stop(), 130);
    // The arm heard nothing but the monitor's one request.
    EXPECT_EQ(serving.peer.received(), arm_frame_of(""));
}

// What is not a handshake of the viewers' subprotocol is refused with an
// HTTP status and closed; a frame over 64 KiB closes its link (1009); past
// 16 viewers, the next is answered 503. The viewers already there go on.
TEST(Viewer, WhatIsNotTheProtocolIsRefusedAndClosedAlone) {
    ServingMonitor serving;
    ASSERT_GT(serving.port, 0) << serving.monitor.log();
    RawViewer watching(serving.port);
    ASSERT_TRUE(watching.open_and_greeted());
    watching.send_text(subscribe_text(1));
    const struct {
        const char* name;
        std::string request;
        const char* status;
    } rows[] = {
        {"plain HTTP", "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", "HTTP/1.1 400 "},
        {"another subprotocol", "", "HTTP/1.1 400 "},
        {"no subprotocol", "", "HTTP/1.1 400 "},
        {"not HTTP", "SSH-2.0-OpenSSH_9.2\r\n\r\n", "HTTP/1.1 400 "},
    };
    for (const auto& row : rows) {
        RawViewer refused(serving.port);
        std::string head;
        if (row.request.empty()) {
            head = refused.handshake(std::string(row.name) == "no subprotocol" ? "" : "ros1");
        } else {
            refused.send_raw(row.request);
            head = refused.read_all(10);
        }
        EXPECT_EQ(status_line(head).substr(0, 13), row.status) << row.name << ": " << head;
        EXPECT_TRUE(refused.closed_within(10)) << row.name;
    }
    RawViewer too_large(serving.port);
    ASSERT_TRUE(too_large.open_and_greeted());
    too_large.send_text(std::string(64 * 1024 + 1, ' '));
    WsFrame close;
    for (int i = 0; i < 100 && close.opcode != 8 && (i == 0 || close.opcode >= 0); ++i) {
        close = too_large.read_frame(10);
    }
    EXPECT_EQ(close.payload.substr(0, 2), std::string("\x03\xf1", 2));  // 1009, message too big
    EXPECT_TRUE(too_large.closed_within(10));
    std::vector<std::unique_ptr<RawViewer>> crowd;
    while (crowd.size() < 15) {
        crowd.push_back(std::make_unique<RawViewer>(serving.port));
        ASSERT_TRUE(crowd.back()->open_and_greeted()) << crowd.size();
    }
    RawViewer seventeenth(serving.port);
    EXPECT_EQ(status_line(seventeenth.handshake()), "HTTP/1.1 503 Service Unavailable");
    EXPECT_TRUE(seventeenth.closed_within(10));
    EXPECT_EQ(next_data_subscription(watching), 1);  // through it all
    EXPECT_EQ(serving.monitor.stop(), 130);
}

// A handshake that never completes is closed after 10 s, and holds nothing back meanwhile.
TEST(Viewer, AHandshakeThatNeverCompletesIsClosedAfterTenSeconds) {
    ServingMonitor serving;
    ASSERT_GT(serving.port, 0) << serving.monitor.log();
    RawViewer watching(serving.port);
    ASSERT_TRUE(watching.open_and_greeted());
    watching.send_text(subscribe_text(4));
    RawViewer halfway(serving.port);
    const auto started = std::chrono::steady_clock::now();
    halfway.send_raw("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n");
    EXPECT_TRUE(halfway.closed_within(20));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(next_data_subscription(watching), 4);
    EXPECT_EQ(serving.monitor.stop(), 130);
}

// Runs a program in an empty network namespace with its loopback up, where
// only 127.0.0.1 is this machine's (with loopback down, any address binds).
const std::vector<std::string> IN_EMPTY_NETWORK = {
    "unshare", "-n", "python3", "-c",
    "import fcntl, os, socket, struct, sys\n"
    "s = socket.socket()\n"
    "flags = fcntl.ioctl(s, 0x8913, struct.pack('16sH14x', b'lo', 0))\n"  // SIOCGIFFLAGS
    "up = struct.unpack('16sH14x', flags)[1] | 1\n"                       // IFF_UP
    "fcntl.ioctl(s, 0x8914, struct.pack('16sH14x', b'lo', up))\n"         // SIOCSIFFLAGS
    "os.execv(sys.argv[1], sys.argv[1:])\n"};

// An address that cannot be listened on is refused with its reason and
// status 8, before the arm is dialled.
TEST(Viewer, AnAddressThatCannotBeListenedOnIsRefusedFirst) {
    int taken = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(taken, 1), 0);
    getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string port = std::to_string(ntohs(address.sin_port));
    const bool can_isolate = system("unshare -n true >/dev/null 2>&1") == 0;
    const struct {
        std::string serve;
        std::string error;
        bool isolated;  // an address beyond 127.0.0.1: tried only in an empty network namespace
    } rows[] = {
        {port, "cannot serve the viewers on 127.0.0.1:" + port + ": Address already in use", false},
        {"127.0.0.1:" + port,
         "cannot serve the viewers on 127.0.0.1:" + port + ": Address already in use", false},
        {"192.0.2.1:0", "cannot serve the viewers on 192.0.2.1:0: Cannot assign requested address",
         true},
    };
    for (const auto& row : rows) {
        if (row.isolated && !can_isolate) continue;  // no empty network namespace here
        // Dialled, the arm's port would fail the run with status 1 and its "server:" line.
        TemporaryDirectory directory;
        RunOptions options;
        if (row.isolated) options.wrapper = IN_EMPTY_NETWORK;
        ProgramRun run = run_program(
            "arm_monitor",
            {"--serve", row.serve, "--record", directory.path + "/a.mcap", "127.0.0.1", "1"},
            options);
        const std::string output = normalized(run.out);
        EXPECT_EQ(run.status, 8) << output;
        EXPECT_NE(output.find("[ERROR] " + row.error + "\n"), std::string::npos) << output;
        EXPECT_EQ(output.find("server:"), std::string::npos) << output;
        EXPECT_TRUE(directory.files().empty());  // no recording begun
    }
    close(taken);
}

}  // namespace
