#include "playback/arm_playback.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

#include "console/interrupt.h"
#include "console/log.h"
#include "console/printable_text.h"
#include "link/frame_exchange.h"
#include "mcap_read/mcap_reader.h"
#include "mcap_read/mcap_summary.h"
#include "proto/arm_descriptor.h"

namespace {

using Clock = std::chrono::steady_clock;

// The /arm/state channel in protobuf among `channels`; 0: none.
uint16_t arm_channel(const std::vector<McapChannel>& channels) {
    for (const McapChannel& channel : channels) {
        if (channel.topic == ARM_STATE_TOPIC && channel.message_encoding == "protobuf") {
            return channel.id;
        }
    }
    return 0;
}

// "01:02:03" of a span in ns.
std::string clock_text(uint64_t ns) {
    const uint64_t seconds = ns / 1000000000;
    char text[32];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
    return text;
}

// Where a client's play stands, shown every second on a terminal (in place),
// every ten seconds elsewhere.
struct Place {
    const std::string& who;
    const ArmPlayback& playback;
    Clock::time_point shown{};

    void show(uint64_t log_time) {
        const Clock::time_point now = Clock::now();
        if (now < shown + std::chrono::seconds(playback.terminal ? 1 : 10)) return;
        shown = now;
        const std::string text = who + ": " + clock_text(log_time - playback.first_ns) + " / " +
                                 clock_text(playback.last_ns - playback.first_ns);
        if (playback.terminal) {
            write_console("\r" + text);
        } else {
            log_info("%s\n", text.c_str());
        }
    }
};

// One pass from where the part starts, its first report due at `start` (or,
// at the first pass, as soon as it is read); false when the client has gone
// or a signal came. `start` moves on to when the last report was due.
bool play_pass(int client, const ArmPlayback& playback, Place& place, Deadline& start,
               uint64_t& sent) {
    McapReader reader;
    if (!reader.open(playback.path)) return false;
    const uint64_t from_ns = playback.first_ns + playback.start_ns;
    if (playback.start_ns > 0 && !reader.seek(from_ns)) return false;
    McapMessage message;
    uint64_t first_ns = 0;
    bool first = true;
    Deadline due = start;  // for a pass without a report
    while (reader.next(message) == McapReader::MESSAGE) {
        if (message.channel_id != arm_channel(reader.channels())) continue;
        if (playback.duration_ns > 0 && message.log_time > from_ns + playback.duration_ns) break;
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
        place.show(message.log_time);
    }
    start = due;
    return true;
}

// What a whole file's summary tells; false when it has none that holds.
bool check_from_summary(ArmPlayback& playback) {
    McapSummary summary;
    std::string why;
    if (!read_mcap_summary(playback.path, std::nullopt, summary, why)) return false;
    playback.channel = arm_channel(summary.channels);
    for (const auto& [channel, count] : summary.statistics.channel_messages) {
        if (channel == playback.channel) playback.reports = count;
    }
    if (playback.channel == 0 || summary.statistics.channel_messages.size() != 1) return false;
    playback.first_ns = summary.statistics.first_ns;
    playback.last_ns = summary.statistics.last_ns;
    playback.whole_bytes = summary.file_size;
    return true;
}

// The file read through; false, with why, when it cannot be played.
bool check_from_start(ArmPlayback& playback, McapReader& reader, std::string& why) {
    if (!reader.open(playback.path)) return why = reader.why(), false;
    McapMessage message;
    McapReader::Next next;
    while ((next = reader.next(message)) == McapReader::MESSAGE) {
        if (playback.channel == 0) playback.channel = arm_channel(reader.channels());
        if (message.channel_id != playback.channel) continue;
        if (playback.reports++ == 0) playback.first_ns = message.log_time;
        playback.last_ns = message.log_time;
    }
    if (next == McapReader::BAD) return why = reader.why(), false;
    playback.whole_bytes = reader.whole_bytes();
    playback.cut = next == McapReader::CUT;
    if (playback.channel == 0) playback.channel = arm_channel(reader.channels());
    if (playback.channel != 0) return true;
    why = std::string("it has no ") + ARM_STATE_TOPIC + " channel in protobuf";
    if (playback.cut) {
        why = "it was cut at byte " + std::to_string(playback.whole_bytes) + ", before its " +
              ARM_STATE_TOPIC + " channel";
    }
    return false;
}

}  // namespace

bool check_arm_recording(ArmPlayback& playback) {
    const std::string shown = printable_text(playback.path);
    McapReader reader;
    std::string why;
    if (!check_from_summary(playback) && !check_from_start(playback, reader, why)) {
        log_error("cannot play %s: %s\n", shown.c_str(), why.c_str());
        return false;
    }
    log_info("playing %s: %llu reports over %.3f s\n", shown.c_str(),
             static_cast<unsigned long long>(playback.reports),
             static_cast<double>(playback.last_ns - playback.first_ns) / 1e9);
    if (playback.cut) {
        log_info("%s was cut at byte %llu: it plays up to its last whole record\n", shown.c_str(),
                 static_cast<unsigned long long>(playback.whole_bytes));
        if (!reader.why().empty()) log_info("%s: %s\n", shown.c_str(), reader.why().c_str());
    }
    return true;
}

uint64_t play_reports(int client, const std::string& who, const ArmPlayback& playback) {
    uint64_t sent = 0;
    Deadline start{};  // the first report goes out as soon as it is read
    Place place{who, playback};
    for (long pass = 1; playback.passes == 0 || pass <= playback.passes; ++pass) {
        if (!play_pass(client, playback, place, start, sent) || interrupted()) break;
    }
    if (playback.terminal && place.shown != Clock::time_point{}) write_console("\n");
    return sent;
}
