#include "arm/recording_info.h"

#include <sys/stat.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "console/exit_status.h"
#include "console/log.h"
#include "console/printable_text.h"
#include "mcap_read/mcap_reader.h"
#include "mcap_read/mcap_summary.h"
#include "proto/arm_descriptor.h"
#include "report/arm_report.h"
#include "report/report_mcap.h"
#include "watch/stream_stats.h"

namespace {

// What the lines tell, however it was found.
struct Facts {
    std::string library = "-", chunks = "-";
    uint64_t file_size = 0, reports = 0, undecodable = 0, cut_at = 0;
    bool cut = false;
    const McapChannel* channel = nullptr;
    const McapSchema* schema = nullptr;
    std::vector<uint64_t> times;  // the reports' log times, in order
};

std::string kilobytes(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f kB", static_cast<double>(bytes) / 1000);
    return text;
}

// The /arm/state channel in protobuf, and its schema; nullptr when there is none.
const McapChannel* arm_channel(const std::vector<McapChannel>& channels) {
    for (const McapChannel& channel : channels) {
        if (channel.topic == ARM_STATE_TOPIC && channel.message_encoding == "protobuf") {
            return &channel;
        }
    }
    return nullptr;
}

const McapSchema* schema_of(const McapChannel* channel, const std::vector<McapSchema>& schemas) {
    for (const McapSchema& schema : schemas) {
        if (channel != nullptr && schema.id == channel->schema_id) return &schema;
    }
    return nullptr;
}

// From the summary and the indexes; false when they do not tell it all.
bool facts_from_summary(const std::string& path, McapSummary& summary, Facts& facts) {
    std::string why;
    McapSummary probe;
    if (!read_mcap_summary(path, std::nullopt, probe, why)) return false;
    const McapChannel* channel = arm_channel(probe.channels);
    if (channel == nullptr || !read_mcap_summary(path, channel->id, summary, why)) return false;
    const std::string* undecodable = nullptr;
    for (const McapMetadata& metadata : summary.metadata) {
        for (const auto& [key, value] : metadata.entries) {
            if (metadata.name == RECORDING_METADATA && key == UNDECODABLE_KEY) undecodable = &value;
        }
    }
    if (undecodable == nullptr) return false;  // only decoding tells them
    facts.undecodable = std::strtoull(undecodable->c_str(), nullptr, 10);
    facts.library = summary.library;
    facts.file_size = summary.file_size;
    std::string names;
    for (const std::string& name : summary.compressions) {
        names += (names.empty() ? "" : ", ") + (name.empty() ? std::string("none") : name);
    }
    facts.chunks = std::to_string(summary.chunks) + ", " + (names.empty() ? "none" : names) + ", " +
                   kilobytes(summary.uncompressed) + " of records in " +
                   kilobytes(summary.compressed);
    facts.channel = arm_channel(summary.channels);
    facts.schema = schema_of(facts.channel, summary.schemas);
    facts.times = std::move(summary.log_times);
    facts.reports = facts.times.size();
    return true;
}

// From the start, each report decoded; false, with the ERROR line, when the
// file cannot be read.
bool facts_from_start(const std::string& path, McapReader& reader, Facts& facts) {
    if (!reader.open(path)) {
        log_error("cannot read %s: %s\n", printable_text(path).c_str(), reader.why().c_str());
        return false;
    }
    McapMessage message;
    McapReader::Next next;
    ArmReport report;
    while ((next = reader.next(message)) == McapReader::MESSAGE) {
        const McapChannel* channel = arm_channel(reader.channels());
        if (channel == nullptr || message.channel_id != channel->id) continue;
        facts.times.push_back(message.log_time);
        FrameBuffer frame{};
        if (message.data.size() > ARM_FRAME.max_payload) {
            ++facts.undecodable;
            continue;
        }
        write_header(frame.data(), static_cast<uint32_t>(message.data.size()), ARM_FRAME);
        std::copy(message.data.begin(), message.data.end(), frame.begin() + 4);
        if (decode_report(report, frame, message.data.size() + 4) != Unpacked::DECODED) {
            ++facts.undecodable;
        }
    }
    if (next == McapReader::BAD) {
        log_error("cannot read %s: %s\n", printable_text(path).c_str(), reader.why().c_str());
        return false;
    }
    facts.reports = facts.times.size();
    facts.library = reader.library();
    struct stat info = {};
    if (stat(path.c_str(), &info) == 0) facts.file_size = static_cast<uint64_t>(info.st_size);
    facts.cut = next == McapReader::CUT;
    facts.cut_at = reader.whole_bytes();
    facts.channel = arm_channel(reader.channels());
    facts.schema = schema_of(facts.channel, reader.schemas());
    return true;
}

void print_facts(const std::string& path, const Facts& facts) {
    std::string lines = "file: " + printable_text(path) + ", " + kilobytes(facts.file_size) +
                        ", written by " + printable_text(facts.library) + "\n";
    if (facts.cut) {
        lines +=
            "cut at byte " + std::to_string(facts.cut_at) + ": read up to its last whole record\n";
    }
    lines += "chunks: " + facts.chunks + "\n";
    lines += "reports: " + std::to_string(facts.reports) + ", " +
             std::to_string(facts.undecodable) + " that do not decode\n";
    const uint64_t first = facts.times.empty() ? 0 : facts.times.front();
    const uint64_t last = facts.times.empty() ? 0 : facts.times.back();
    const double seconds = static_cast<double>(last - first) / 1e9;
    char text[256];
    std::snprintf(text, sizeof text, "duration: %.3f s\n", seconds);
    lines += text;
    if (!facts.times.empty()) {
        lines += "start: " + local_time_text(first) + " (" + std::to_string(first) + ")\n";
        lines += "end: " + local_time_text(last) + " (" + std::to_string(last) + ")\n";
    }
    if (facts.channel == nullptr) {
        lines += std::string("channel: none on ") + ARM_STATE_TOPIC + " in protobuf\n";
    } else {
        const double rate = seconds > 0 ? static_cast<double>(facts.reports - 1) / seconds : 0;
        std::snprintf(text, sizeof text, "channel: %s, schema %s (%s), in %s, %.1f per second\n",
                      printable_text(facts.channel->topic).c_str(),
                      facts.schema ? printable_text(facts.schema->name).c_str() : "-",
                      facts.schema ? printable_text(facts.schema->encoding).c_str() : "-",
                      printable_text(facts.channel->message_encoding).c_str(), rate);
        lines += text;
    }
    const GapSummary gaps = gaps_of(facts.times);
    std::snprintf(text, sizeof text,
                  "gaps: %" PRIu64 " longer than 3x the median interval of %.3f ms", gaps.gaps,
                  gaps.median_ms);
    lines += text;
    if (gaps.gaps > 0) {
        std::snprintf(text, sizeof text, ", the longest %.3f ms, ending at ", gaps.longest_ms);
        lines += text + local_time_text(gaps.longest_at_ns);
    }
    write_console(lines + "\n");
}

}  // namespace

int print_recording_info(const std::string& path) {
    Facts facts;
    McapSummary summary;
    McapReader reader;
    if (!facts_from_summary(path, summary, facts) && !facts_from_start(path, reader, facts)) {
        return STATUS_RECORD_FILE_FAILED;
    }
    print_facts(path, facts);
    return STATUS_OK;
}
