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

#include <nlohmann/json.hpp>
#include <thread>

#include "proto/arm_descriptor.h"
#include "tests/support/arm_reports.h"
#include "tests/support/background.h"
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

}  // namespace
