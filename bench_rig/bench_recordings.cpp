// The recordings of a night: how large an hour of the simulator's wave at
// 1 kHz is in each compression, beside the same messages unchunked (as
// release 1.2.0 wrote them); and on a one-hour recording, how long --info
// takes and a seek to its middle.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "bench/bench_peers.h"
#include "bench/bench_process.h"
#include "bench/bench_report.h"
#include "mcap/mcap_writer.h"
#include "mcap_read/mcap_reader.h"
#include "report/report_mcap.h"
#include "tests/support/background.h"
#include "tests/support/process.h"

namespace {

const char RECORDING[] = "/tmp/vostrel-bench-wave.mcap";
const char HOUR[] = "/tmp/vostrel-bench-hour.mcap";

uint64_t file_size(const char* path) {
    struct stat info = {};
    return stat(path, &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

// The bytes of the same messages in one unchunked file: the records alone.
uint64_t unchunked_size(const char* path) {
    McapReader reader;
    McapMessage message;
    uint64_t bytes = 8 + 9 + 40;  // the magics, the Header
    if (!reader.open(path)) return 0;
    while (reader.next(message) == McapReader::MESSAGE) bytes += 9 + 22 + message.data.size();
    for (const McapSchema& schema : reader.schemas())
        bytes += 2 * (9 + 14 + schema.data.size() + 30);
    return bytes;
}

std::string megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

// A one-hour recording of reports every millisecond, written at once, as
// arm_monitor --record writes one.
bool write_hour(size_t reports) {
    unlink(HOUR);
    size_t length = 0;
    const std::string block = report_stream(1000, length);
    McapRecording recording;
    if (!recording.create(HOUR, {"MainArmStateMsg", "", "/arm/state", {}, "vostrel bench"})) {
        return false;
    }
    const uint64_t first_ns = 1784624703000000000;
    for (size_t i = 0; i < reports; ++i) {
        const char* frame = block.data() + (i % 1000) * length;
        recording.add(first_ns + i * 1000000, reinterpret_cast<const uint8_t*>(frame) + 4,
                      length - 4);
        recording.write_due();
    }
    // What the monitor keeps for --info (report/report_mcap.h).
    recording.set_metadata(RECORDING_METADATA, {{UNDECODABLE_KEY, "0"}});
    return recording.finish();
}

}  // namespace

// `seconds` of arm_sim at 1 kHz (with `sim_option`: --wave, or nothing: a
// still arm) recorded with `compression`: the bytes an hour takes, and
// those of the same messages unchunked.
double recorded_hour(const BenchOptions& options, const char* sim_option, const char* compression,
                     int seconds, double& unchunked) {
    std::vector<std::string> args = {"--command-port", "0", "--report-port", "0", "--rate", "1000"};
    if (sim_option[0] != '\0') args.push_back(sim_option);
    BackgroundProgram sim(options.bin + "/arm_sim", args);
    const std::string port = std::to_string(sim.port_of("arm_sim report port"));
    unlink(RECORDING);
    RunOptions run;
    run.interrupt_when = "hex raw:";
    run.interrupt_delay_ms = seconds * 1000;
    run_program_at(options.bin + "/arm_monitor",
                   {"--record", RECORDING, "--compression", compression, "127.0.0.1", port}, run);
    unchunked = static_cast<double>(unchunked_size(RECORDING)) * 3600 / seconds;
    const double hour = static_cast<double>(file_size(RECORDING)) * 3600 / seconds;
    unlink(RECORDING);
    return hour;
}

void measure_recordings(const BenchOptions& options, std::vector<BenchRow>& rows) {
    const int seconds = options.smoke ? 1 : 10;
    for (const auto& [sim_option, arm] :
         {std::pair<const char*, const char*>{"--wave", "arm_sim --wave"},
          {"", "a still arm_sim"}}) {
        double zstd = 0, unchunked = 0;
        for (const char* compression : {"zstd", "lz4", "none"}) {
            const double hour = recorded_hour(options, sim_option, compression, seconds, unchunked);
            if (compression[0] == 'z') zstd = hour;
            rows.push_back({std::string("arm_monitor --record --compression ") + compression +
                                ", an hour of " + arm + " at 1 kHz",
                            megabytes(hour), "", "", "", false, false});
        }
        const double share = unchunked > 0 ? zstd / unchunked : 0;
        rows.push_back({std::string("the same of ") + arm +
                            ", zstd beside the messages unchunked (as 1.2.0 wrote them)",
                        megabytes(zstd), megabytes(unchunked), times_text(share), "<= 0.25x", true,
                        share > 0 && share <= 0.25});
    }

    const size_t reports = options.smoke ? 20000 : 3600000;
    if (!write_hour(reports)) return;
    std::vector<double> info, seek;
    for (int i = 0; i < options.runs; ++i) {
        double start = now_seconds();
        run_program_at(options.bin + "/arm_monitor", {"--info", HOUR}, RunOptions{});
        info.push_back(now_seconds() - start);
        start = now_seconds();
        McapReader reader;
        McapMessage message;
        const bool found = reader.open(HOUR) &&
                           reader.seek(1784624703000000000 + reports * 500000) &&
                           reader.next(message) == McapReader::MESSAGE;
        seek.push_back(found ? now_seconds() - start : 1e9);
    }
    const std::string what = options.smoke ? " of 20 s" : " of one hour";
    rows.push_back({"arm_monitor --info of a recording" + what,
                    std::to_string(static_cast<int>(median(info) * 1000)) + " ms", "", "",
                    "<= 200 ms", true, median(info) <= 0.2});
    rows.push_back({"a seek to the middle of a recording" + what + " (arm_sim --play --start)",
                    std::to_string(static_cast<int>(median(seek) * 1000)) + " ms", "", "",
                    "<= 200 ms", true, median(seek) <= 0.2});
    unlink(HOUR);
}
