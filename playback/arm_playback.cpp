#include "playback/arm_playback.h"

#include <chrono>
#include <cstring>

#include "console/interrupt.h"
#include "console/log.h"
#include "console/printable_text.h"
#include "link/frame_exchange.h"
#include "mcap_read/mcap_reader.h"

namespace {

using Clock = std::chrono::steady_clock;

// The /arm/state channel in protobuf among those read so far; 0: none yet.
uint16_t arm_channel(const McapReader& reader) {
    for (const McapChannel& channel : reader.channels()) {
        if (channel.topic == "/arm/state" && channel.message_encoding == "protobuf") {
            return channel.id;
        }
    }
    return 0;
}

// One pass from the file's start, the first report due at `start` (or, at
// the first pass, as soon as it is read); false when the client has gone or
// a signal came. `start` moves on to when the last report was due.
bool play_pass(int client, const ArmPlayback& playback, Deadline& start, uint64_t& sent) {
    McapReader reader;
    if (!reader.open(playback.path)) return false;
    McapMessage message;
    uint64_t first_ns = 0;
    bool first = true;
    Deadline due = start;  // for a pass without a report
    while (reader.next(message) == McapReader::MESSAGE) {
        if (message.channel_id != playback.channel) continue;
        if (first && start == Deadline{}) start = Clock::now();
        if (first) first_ns = message.log_time;
        first = false;
        due = start;
        if (!playback.rate.max && message.log_time > first_ns) {
            const std::chrono::duration<double, std::nano> gap(
                static_cast<double>(message.log_time - first_ns) / playback.rate.factor);
            due = start + std::chrono::duration_cast<Clock::duration>(gap);
        }
        if (message.data.size() > ARM_FRAME.max_payload) continue;  // no frame holds it
        if (!wait_until(due)) return false;
        FrameBuffer frame{};
        write_header(frame.data(), static_cast<uint32_t>(message.data.size()), ARM_FRAME);
        std::memcpy(frame.data() + ARM_FRAME.header_size, message.data.data(), message.data.size());
        if (!send_frame(client, frame.data(), ARM_FRAME.header_size + message.data.size())
                 .is_frame()) {
            return false;
        }
        ++sent;
    }
    start = due;
    return true;
}

}  // namespace

bool check_arm_recording(ArmPlayback& playback) {
    const std::string shown = printable_text(playback.path);
    McapReader reader;
    if (!reader.open(playback.path)) {
        log_error("cannot play %s: %s\n", shown.c_str(), reader.why().c_str());
        return false;
    }
    McapMessage message;
    McapReader::Next next;
    uint64_t first_ns = 0, last_ns = 0;
    while ((next = reader.next(message)) == McapReader::MESSAGE) {
        if (playback.channel == 0) playback.channel = arm_channel(reader);
        if (message.channel_id != playback.channel) continue;
        if (playback.reports++ == 0) first_ns = message.log_time;
        last_ns = message.log_time;
    }
    if (next == McapReader::BAD) {
        log_error("cannot play %s: %s\n", shown.c_str(), reader.why().c_str());
        return false;
    }
    if (playback.channel == 0) playback.channel = arm_channel(reader);
    if (playback.channel == 0) {
        log_error("cannot play %s: it has no /arm/state channel in protobuf\n", shown.c_str());
        return false;
    }
    playback.whole_bytes = reader.whole_bytes();
    playback.cut = next == McapReader::CUT;
    log_info("playing %s: %llu reports over %.3f s\n", shown.c_str(),
             static_cast<unsigned long long>(playback.reports),
             static_cast<double>(last_ns - first_ns) / 1e9);
    if (playback.cut) {
        log_info("%s was cut at byte %llu: it plays up to its last whole record\n", shown.c_str(),
                 static_cast<unsigned long long>(playback.whole_bytes));
        if (!reader.why().empty()) log_info("%s: %s\n", shown.c_str(), reader.why().c_str());
    }
    return true;
}

uint64_t play_reports(int client, const ArmPlayback& playback) {
    uint64_t sent = 0;
    Deadline start{};  // the first report goes out as soon as it is read
    for (long pass = 1; playback.passes == 0 || pass <= playback.passes; ++pass) {
        if (!play_pass(client, playback, start, sent) || interrupted()) break;
    }
    return sent;
}
