// The rig at the desk: the arm's stream kept as MCAP (arm_monitor --record),
// read by the official reader and decoded by the official protobuf library
// with the schema the file carries; played back (arm_sim --play) to give the
// same CSV rows; and the board played from a recording (board_sim --play).
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <tuple>

#include "arm.pb.h"
#include "mcap/mcap_writer.h"
#include "mcap_read/mcap_reader.h"
#include "proto/arm_descriptor.h"
#include "tests/support/arm_reports.h"
#include "tests/support/background.h"
#include "tests/support/directory.h"
#include "tests/support/mcap_bytes.h"
#include "tests/support/scenario.h"

namespace {

std::string report(int64_t timestamp, double pose) {
    return report_frame([timestamp, pose](MainArmStateMsg& r) {
        r.timestamp = timestamp;
        r.state = 7;
        r.poses_count = 2;
        r.poses[0] = pose;
        r.poses[1] = -pose;
    });
}

// The official MCAP readers' lines for `path` (tests/mcap_reader): from its
// start, or with `indexed` through its index (only the messages logged from
// `range` on, to its end, when given), or why none.
std::string official_reading(const std::string& path, bool indexed = false,
                             const std::vector<uint64_t>& range = {}) {
    const std::string folder = std::string(VOSTREL_SOURCE_DIR) + "/tests/mcap_reader";
    std::vector<std::string> args = {"node", folder + "/read_mcap.js"};
    if (indexed) args.push_back("--indexed");
    args.push_back(path);
    for (const uint64_t time : range) args.push_back(std::to_string(time));
    ProgramRun run = run_program_at("/usr/bin/env", args, RunOptions{});
    return run.status == 0 ? run.out : "unread: " + run.err;
}

bool official_reader_here() {
    const std::string modules =
        std::string(VOSTREL_SOURCE_DIR) + "/tests/mcap_reader/node_modules/";
    return run_program_at("/usr/bin/env",
                          {"node", "-e",
                           "for (const p of ['@mcap/core', '@mcap/support', '@mcap/nodejs']) "
                           "require('" +
                               modules + "' + p)"},
                          RunOptions{})
               .status == 0;
}

// Every message the official indexed reader read (its `lines`) decoded by the
// official protobuf library (python3), with the schema the file carries: the
// schema's name, how many decode and how many do not, and the first one's
// timestamp and poses.
std::string decoded_with_its_schema(const std::string& lines) {
    const char* script =
        "import sys\n"
        "from google.protobuf import descriptor_pb2, descriptor_pool, message_factory\n"
        "schema, messages = None, []\n"
        "for line in sys.stdin:\n"
        "    words = line.split()\n"
        "    if words[:1] == ['Schema'] and schema is None:\n"
        "        schema = (words[2], words[3], bytes.fromhex(words[4]))\n"
        "    elif words[:1] == ['Message']:\n"
        "        messages.append(bytes.fromhex(words[3] if len(words) > 3 else ''))\n"
        "pool = descriptor_pool.DescriptorPool()\n"
        "for f in descriptor_pb2.FileDescriptorSet.FromString(schema[2]).file: pool.Add(f)\n"
        "kind = message_factory.MessageFactory(pool).GetPrototype(\n"
        "    pool.FindMessageTypeByName(schema[0]))\n"
        "decoded, failed = [], 0\n"
        "for m in messages:\n"
        "    try: decoded.append(kind.FromString(m))\n"
        "    except Exception: failed += 1\n"
        "print(schema[0], schema[1], len(decoded), failed,\n"
        "      decoded[0].timestamp, list(decoded[0].poses))\n";
    RunOptions options;
    options.input = {InputChunk(lines)};
    ProgramRun run = run_program_at("/usr/bin/python3", {"-c", script}, options);
    return run.status == 0 ? run.out : "undecoded: " + run.err;
}

// Where the `n`-th Chunk of `bytes` starts (from 1).
size_t chunk_start(const std::string& bytes, int n) {
    for (const auto& [at, record] : records_of(bytes)) {
        if (record[0] == MCAP_CHUNK && --n == 0) return at;
    }
    return std::string::npos;
}

// Every frame the arm sends is kept, those that do not decode too, and the
// file reads whole: in the official readers and, cut, up to the cut.
TEST(ArmRecording, KeepsEveryFrameAsTheOfficialReadersReadIt) {
    TemporaryDirectory directory;
    const std::string file = directory.path + "/arm.mcap";
    PeerRun r = run_with_peer(
        "arm_monitor",
        {receive_arm_frame(), send_bytes(report(1001, 0.5)), send_bytes(arm_frame_of("08")),
         send_bytes(report(1002, 0.25)), close_link()},
        RunOptions{}, {"--record", file});
    EXPECT_EQ(r.run.status, 0) << r.output;
    if (!official_reader_here()) {
        GTEST_SKIP() << "no node and @mcap/core, @mcap/support, @mcap/nodejs here "
                        "(scripts/setup.sh test)";
    }
    const std::string channel =
        "\nChannel 1 schema 1 /arm/state protobuf [[\"controller\",\"127.0.0.1:" +
        std::to_string(r.port) + "\"]]\n";
    const std::string indexed = official_reading(file, true);
    EXPECT_EQ(decoded_with_its_schema(indexed), "MainArmStateMsg protobuf 2 1 1001 [0.5, -0.5]\n");
    for (const std::string& line :
         {std::string("Header profile=\"\" library=\"vostrel "),
          std::string("\nSchema 1 MainArmStateMsg protobuf 0a"), channel,
          channel + "Statistics 3 messages, 1 schema, 1 channel, 1 chunks, first ",
          std::string("\n1 chunks, compression [\"zstd\"]\n"
                      "Metadata vostrel [[\"undecodable\",\"1\"]]\nMessage 1 "),
          " " + hex_of(report(1001, 0.5).substr(4)) + "\nMessage 2 ",
          std::string(" 08\nMessage 3 "),
          " " + hex_of(report(1002, 0.25).substr(4)) + "\n3 messages\n"}) {
        EXPECT_NE(indexed.find(line), std::string::npos) << line << "\n" << indexed;
    }
    std::string read = official_reading(file);
    for (const std::string& line :
         {std::string("Header profile=\"\" library=\"vostrel "),
          std::string("\nSchema 1 MainArmStateMsg protobuf "), channel,
          "\nMessage first 1 " + hex_of(report(1001, 0.5).substr(4)) +
              "\nMessageIndex\nMetadata\nDataEnd\n",
          channel + "ChunkIndex\nStatistics 3 messages, 1 schema, 1 channel, 1 chunks, first ",
          std::string("\nSummaryOffset\nFooter\n3 messages, last 3 at "),
          std::string("\nwhole\n")}) {
        EXPECT_NE(read.find(line), std::string::npos) << line << "\n" << read;
    }
    EXPECT_EQ(read.find("differs"), std::string::npos) << read;
    EXPECT_EQ(read.find("out of order"), std::string::npos) << read;
    // Cut within its one chunk: nothing of it is read.
    const std::string bytes = directory.read("arm.mcap");
    directory.write("cut.mcap", bytes.substr(0, chunk_start(bytes, 1) + 20));
    read = official_reading(directory.path + "/cut.mcap");
    EXPECT_NE(read.find("\n0 messages, last none\ncut\n"), std::string::npos) << read;
}

// Each compression, as the official indexed reader reads it: every message,
// and from a time range exactly those logged within it.
TEST(ArmRecording, TheIndexedReaderReadsEachCompressionAndATimeRange) {
    if (!official_reader_here()) GTEST_SKIP() << "no node and the @mcap packages here";
    TemporaryDirectory directory;
    const std::string schema(reinterpret_cast<const char*>(ARM_DESCRIPTOR_SET),
                             ARM_DESCRIPTOR_SET_SIZE);
    constexpr uint64_t MS = 1000000, START = 1796920679000000000;
    for (const McapCompression compression :
         {McapCompression::ZSTD, McapCompression::LZ4, McapCompression::NONE}) {
        const std::string file = directory.path + "/" + compression_name(compression) + ".mcap";
        McapRecording written;
        ASSERT_TRUE(written.create(file, {"MainArmStateMsg", schema, "/arm/state", {}, "test"},
                                   compression));
        std::string all, range;
        for (uint32_t k = 1; k <= 1200; ++k) {
            const std::string payload = report(k, k / 1000.0).substr(4);
            written.add(START + k * MS, reinterpret_cast<const uint8_t*>(payload.data()),
                        payload.size());
            const std::string line = "Message " + std::to_string(k) + " " +
                                     std::to_string(START + k * MS) + " " + hex_of(payload) + "\n";
            all += line;
            if (k >= 250 && k <= 1001) range += line;
            if (k % 400 == 0) written.write_due(std::chrono::steady_clock::now() + CHUNK_SECONDS);
        }
        written.set_metadata("vostrel", {{"undecodable", "0"}});
        ASSERT_TRUE(written.finish());
        const std::string name =
            compression == McapCompression::NONE ? "" : compression_name(compression);
        std::string read = official_reading(file, true);
        EXPECT_NE(read.find("\n3 chunks, compression [\"" + name +
                            "\"]\nMetadata vostrel [[\"undecodable\",\"0\"]]\n" + all +
                            "1200 messages\n"),
                  std::string::npos)
            << name << "\n"
            << read.substr(0, 2000);
        read = official_reading(file, true, {START + 250 * MS, START + 1001 * MS});
        EXPECT_NE(read.find("]]\n" + range + "752 messages\n"), std::string::npos)
            << name << "\n"
            << read.substr(0, 2000);
    }
}

// The recording is a new file, and a write that fails ends the watch with 3,
// leaving whole records that read up to the failure.
TEST(ArmRecording, AnExistingFileIsKeptAndAFailedWriteEndsTheWatch) {
    TemporaryDirectory directory;
    const std::string taken = directory.path + "/taken.mcap";
    directory.write("taken.mcap", "keep");
    ProgramRun refused = run_program("arm_monitor", {"--record", taken, "127.0.0.1", "1"});
    EXPECT_EQ(refused.status, 3);
    EXPECT_NE(normalized(refused.out)
                  .find("[T] [ERROR] cannot create MCAP file " + taken + ": File exists\n"),
              std::string::npos);
    EXPECT_EQ(refused.out.find("server:"), std::string::npos);  // nothing was connected
    EXPECT_EQ(directory.read("taken.mcap"), "keep");

    if (system("prlimit --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no prlimit here";
    RunOptions small_files;
    small_files.wrapper = {"prlimit", "--fsize=1400"};  // the schema and a few reports
    std::vector<PeerStep> script = {receive_arm_frame()};
    for (int i = 1; i <= 12; ++i) {
        script.push_back(send_bytes(report(i, i)));
        script.push_back(pause_for(100));
    }
    script.push_back(pause_for(20000));  // the watch must end at the failure, not at silence
    const std::string full = directory.path + "/full.mcap";
    PeerRun failed = run_with_peer("arm_monitor", script, small_files, {"--record", full});
    EXPECT_EQ(failed.run.status, 3) << failed.output;
    EXPECT_LT(failed.run.seconds, 10);
    EXPECT_NE(
        failed.output.find("[T] [ERROR] cannot write MCAP file " + full + ": File too large\n"),
        std::string::npos)
        << failed.output;
    McapReader reader;
    ASSERT_TRUE(reader.open(full));
    McapMessage message;
    uint32_t read = 0;
    while (reader.next(message) == McapReader::MESSAGE) EXPECT_EQ(message.sequence, ++read);
    EXPECT_GT(read, 0u);
    EXPECT_EQ(reader.whole_bytes(), directory.read("full.mcap").size());  // whole records only
}

// Killed, the recording holds every chunk written before (the reports of more
// than about two seconds before); ended by SIGTERM, it is finished.
TEST(ArmRecording, AnEndedRecordingIsFinishedAndAKilledOneHoldsWhatWasSynced) {
    for (const auto& [signal, status, ending] :
         {std::tuple<int, int, McapReader::Next>{9, 137, McapReader::CUT},
          {15, 143, McapReader::END}}) {
        TemporaryDirectory directory;
        std::vector<PeerStep> script = {receive_arm_frame()};
        for (int i = 1; i <= 5; ++i) script.push_back(send_bytes(report(i, i)));
        script.push_back(pause_for(20000));
        RunOptions options;
        options.interrupt_when = "[5] state:";
        options.interrupt_delay_ms = 2500;  // a chunk closes within a second, is written soon after
        options.interrupt_signal = signal;
        const std::string file = directory.path + "/arm.mcap";
        PeerRun ended = run_with_peer("arm_monitor", script, options, {"--record", file});
        EXPECT_EQ(ended.run.status, status);
        McapReader reader;
        ASSERT_TRUE(reader.open(file));
        McapMessage message;
        McapReader::Next next;
        uint32_t read = 0;
        while ((next = reader.next(message)) == McapReader::MESSAGE) ++read;
        EXPECT_EQ(read, 5u) << signal;
        EXPECT_EQ(next, ending) << signal;
        if (official_reader_here()) {
            const std::string official = official_reading(file);
            EXPECT_NE(official.find("\n5 messages, last 5 at "), std::string::npos) << official;
            EXPECT_NE(official.find(signal == 9 ? "\ncut\n" : "\nwhole\n"), std::string::npos);
        }
    }
}

// The CSV rows of `csv` without their first cell, the time they came.
std::string rows_without_time(const std::string& csv) {
    std::istringstream lines(csv);
    std::string rows;
    for (std::string line; std::getline(lines, line);) rows += line.substr(line.find(',')) + "\n";
    return rows;
}

// Record the simulator's wave, play the recording back twice as fast: the
// monitor's CSV rows are the session's, but for when each came.
TEST(ArmPlayback, ARecordingPlaysBackToTheSameRows) {
    TemporaryDirectory directory;
    {
        BackgroundProgram sim(
            "arm_sim", {"--command-port", "0", "--report-port", "0", "--rate", "200", "--wave"});
        RunOptions options;
        options.interrupt_when = "] state:";
        options.interrupt_occurrence = 100;
        options.interrupt_delay_ms = 0;
        ProgramRun run = run_program(
            "arm_monitor",
            {"--record", directory.path + "/arm.mcap", "--csv", directory.path + "/session.csv",
             "127.0.0.1", std::to_string(sim.port_of("arm_sim report port"))},
            options);
        EXPECT_EQ(run.status, 130);
    }
    BackgroundProgram player("arm_sim", {"--command-port", "0", "--report-port", "0", "--play",
                                         directory.path + "/arm.mcap", "--rate", "2"});
    ProgramRun played =
        run_program("arm_monitor", {"--csv", directory.path + "/played.csv", "127.0.0.1",
                                    std::to_string(player.port_of("arm_sim report port"))});
    EXPECT_EQ(played.status, 0);
    const std::string session = directory.read("session.csv");
    EXPECT_GE(count_of(session, "\n"), 101u);
    EXPECT_EQ(rows_without_time(directory.read("played.csv")), rows_without_time(session));
    EXPECT_NE(
        player.log_holding("reports played; closing the link").find("playing the recording\n"),
        std::string::npos);
}

// A part of a recording plays: from --start, for --duration, seconds counted
// from its first report; the chunks before it are not read.
TEST(ArmPlayback, APartPlaysFromItsStartForItsDuration) {
    TemporaryDirectory directory;
    McapRecording recording;
    ASSERT_TRUE(recording.create(directory.path + "/r.mcap",
                                 {"MainArmStateMsg", "", "/arm/state", {}, "vostrel test"}));
    const uint64_t first_ns = 1796740000000000000;
    for (int k = 0; k < 300; ++k) {  // every 10 ms, three seconds
        const std::string payload = report(k, k).substr(4);
        recording.add(first_ns + static_cast<uint64_t>(k) * 10000000,
                      reinterpret_cast<const uint8_t*>(payload.data()), payload.size());
    }
    ASSERT_TRUE(recording.finish());
    BackgroundProgram player("arm_sim", {"--command-port", "0", "--report-port", "0", "--play",
                                         directory.path + "/r.mcap", "--start", "1", "--duration",
                                         "0.5", "--rate", "max"});
    ProgramRun played =
        run_program("arm_monitor", {"--csv", directory.path + "/part.csv", "127.0.0.1",
                                    std::to_string(player.port_of("arm_sim report port"))});
    EXPECT_EQ(played.status, 0) << played.out;
    std::istringstream rows(directory.read("part.csv"));
    std::string row;
    std::getline(rows, row);  // the header
    std::vector<std::string> stamps;
    while (std::getline(rows, row)) stamps.push_back(row.substr(row.find(',') + 1, 3));
    ASSERT_EQ(stamps.size(), 51u);
    EXPECT_EQ(stamps.front(), "100");
    EXPECT_EQ(stamps.back(), "150");
}

// What cannot be played is refused before any socket, with the reason; a cut
// recording plays up to its last whole record and says where it was cut.
TEST(ArmPlayback, WhatCannotBePlayedIsRefusedAndACutFilePlaysItsWholeRecords) {
    TemporaryDirectory directory;
    PeerRun recorded = run_with_peer("arm_monitor",
                                     {receive_arm_frame(), send_bytes(report(1, 0.5)),
                                      pause_for(1200),  // the first chunk closes meanwhile
                                      send_bytes(report(2, 1)), close_link()},
                                     RunOptions{}, {"--record", directory.path + "/arm.mcap"});
    ASSERT_EQ(recorded.run.status, 0);
    const std::string bytes = directory.read("arm.mcap");
    directory.write("cut.mcap", bytes.substr(0, chunk_start(bytes, 2) + 20));
    directory.write("early.mcap", bytes.substr(0, chunk_start(bytes, 1) + 20));
    directory.write("record.yaml", "- hexData: 0000\n  delay: 0\n");
    const struct {
        const char* file;
        int status;
        std::string line;
        std::vector<std::string> options = {};
    } rows[] = {
        {"record.yaml", 3,
         "[ERROR] cannot play DIR/record.yaml: it is not an MCAP file (no MCAP magic at its "
         "start)\n"},
        {"missing.mcap", 3, "[ERROR] cannot play DIR/missing.mcap: No such file or directory\n"},
        {"cut.mcap", 0,
         "[INFO] playing DIR/cut.mcap: 1 reports over 0.000 s\n[T] [INFO] DIR/cut.mcap was cut at "
         "byte "},
        {"early.mcap", 3, "[ERROR] cannot play DIR/early.mcap: it was cut at byte "},
        {"arm.mcap",
         3,
         "[ERROR] --start: 3.000 s is past the recording's last report, at 1.",
         {"--start", "3"}},
    };
    for (const auto& row : rows) {
        RunOptions options;
        options.interrupt_when = "listening on";
        options.interrupt_occurrence = 2;
        options.interrupt_delay_ms = 0;
        options.interrupt_signal = 15;
        std::vector<std::string> args = {
            "--command-port", "0", "--report-port", "0", "--play", directory.path + "/" + row.file};
        args.insert(args.end(), row.options.begin(), row.options.end());
        ProgramRun run = run_program("arm_sim", args, options);
        std::string out = normalized(run.out);
        for (size_t at = out.find(directory.path); at != std::string::npos;
             at = out.find(directory.path)) {
            out.replace(at, directory.path.size(), "DIR");
        }
        EXPECT_EQ(run.status, row.status == 0 ? 0 : row.status) << row.file << "\n" << out;
        EXPECT_NE(out.find("[T] " + row.line), std::string::npos) << row.file << "\n" << out;
        EXPECT_EQ(out.find("listening") == std::string::npos, row.status != 0) << row.file;
    }
}

// The board played from a recording: a replay of it passes, looped, in part,
// or past its end; one with a changed step is answered with an error that
// names the step, and one that jumps is followed.
TEST(BoardPlayback, TheStandInFollowsTheReplayAndNamesAChangedStep) {
    TemporaryDirectory directory;
    const std::string version = board_frame_bytes(bytes_of("08 01 12 04 0a 02") + "v1");
    const auto entry = [](const char* frame, int delay, const std::string& answer) {
        return std::string("- hexData: ") + frame + "\n  delay: " + std::to_string(delay) +
               "\n  answer: " + hex_of(answer) + "\n";
    };
    const std::string steps = entry("02001001", 0, version) +
                              entry("05009201020801", 0, board_frame_of("08 02")) +
                              entry("05009201020802", -1, board_frame_of("08 03"));
    directory.write("r.yaml", steps);
    directory.write("changed.yaml", entry("02001001", 0, version) +
                                        entry("05009201020803", 0, board_frame_of("08 02")) +
                                        entry("05009201020802", -1, board_frame_of("08 03")));
    directory.write("longer.yaml", entry("02001001", 0, version) +
                                       entry("05009201020801", 0, board_frame_of("08 02")) +
                                       entry("05009201020802", 0, board_frame_of("08 03")) +
                                       entry("02001004", -1, board_frame_of("08 04")));
    directory.write("bare.yaml", "- hexData: 02001001\n  delay: 0\n");
    BackgroundProgram board("board_sim", {"--port", "0", "--play", directory.path + "/r.yaml"});
    const std::string port = std::to_string(board.port_of("board_sim"));
    const struct {
        std::vector<std::string> args;
        const char* file;
        int status;
        std::string replay_line;  // "" : none looked for
        std::vector<std::string> board_lines;
    } rows[] = {
        {{"--expect"}, "r.yaml", 0, "", {": 3 requests, 3 as recorded, 0 differed\n"}},
        {{"--expect", "--loop", "3"},
         "r.yaml",
         0,
         "",
         {"[T] [INFO] pass 2 begins: from step 3 back to step 1\n",
          "[T] [INFO] pass 3 begins: from step 3 back to step 1\n",
          ": 9 requests, 9 as recorded, 0 differed, 2 jumps (0 ahead, 2 to a new pass)\n"}},
        {{"--expect", "--steps", "2-3"},
         "r.yaml",
         0,
         "",
         {"[T] [INFO] jumped from step 1 to step 2: the request is step 2's\n",
          ": 2 requests, 2 as recorded, 0 differed, 1 jump (1 ahead, 0 to a new pass)\n"}},
        {{"--expect", "--steps", "2-3", "--loop", "2"},
         "r.yaml",
         0,
         "",
         {"[T] [INFO] pass 2 begins: from step 3 back to step 2\n",
          ": 4 requests, 4 as recorded, 0 differed, 2 jumps (1 ahead, 1 to a new pass)\n"}},
        {{"--expect"},
         "changed.yaml",
         6,
         "[T] [ERROR] answer: resp_id: 2 error_info { code: 10 message: \"step 2: the request "
         "differs from the recording\" } (",
         {"[T] [ERROR] step 2: the request differs from the recording: expected chassis { cmd: "
          "UNLOCK }, got chassis { cmd: HUB_POWER_OFF }\n",
          ": 3 requests, 2 as recorded, 1 differed\n"}},
        {{"--answers"},
         "longer.yaml",
         0,
         "[T] [ERROR] answer: resp_id: 4 error_info { code: 11 message: \"the recording has "
         "ended\" } (",
         {"[T] [ERROR] the recording has ended after step 3: got platform_cmd: SOFT_REBOOT_MCU, "
          "which is no "
          "step of it\n",
          ": 4 requests, 3 as recorded, 0 differed\n"}},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = row.args;
        for (const std::string& arg :
             {std::string("--rate"), std::string("max"), std::string("127.0.0.1"), port,
              directory.path + "/" + row.file}) {
            args.push_back(arg);
        }
        ProgramRun run = run_program("board_replay", args);
        EXPECT_EQ(run.status, row.status) << row.file << " " << row.args.size() << "\n" << run.out;
        if (!row.replay_line.empty()) {
            EXPECT_NE(normalized(run.out).find(row.replay_line), std::string::npos) << run.out;
        }
        const std::string log = normalized(board.log_holding(row.board_lines.back()));
        for (const std::string& line : row.board_lines) {
            EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
        }
    }
    ProgramRun bare =
        run_program("board_sim", {"--port", "0", "--play", directory.path + "/bare.yaml"});
    EXPECT_EQ(bare.status, 3);
    EXPECT_NE(bare.out.find("step 1 has no answer (record with board_recorder --keep-answers)\n"),
              std::string::npos)
        << bare.out;
    EXPECT_EQ(bare.out.find("listening"), std::string::npos);
}

}  // namespace
