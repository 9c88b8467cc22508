// What a finished MCAP file (mcap/mcap_format.h) tells of itself without a
// chunk decompressed: its Header, its summary (Schemas, Channels, a
// ChunkIndex for each chunk, Statistics), its Metadata records through their
// MetadataIndex, and the log time of each message on one channel through the
// MessageIndex after each chunk. A few reads: the Header, the end of the
// file, the summary, then each MessageIndex in the file's order; nothing is
// allocated per message but the times.
//
// A file without a usable summary (cut, unchunked as release 1.2.0 wrote
// them, or from a writer that leaves the indexes out) is read from its start
// instead (mcap_reader.h); so is one whose indexes do not hold: an offset
// outside the file, a record other than the one named, chunks out of order,
// or message indexes that do not count what the Statistics count.
//
//     McapSummary summary;
//     std::string why;
//     if (!read_mcap_summary("arm.mcap", 1, summary, why)) read_from_start();
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mcap_read/mcap_records.h"

struct McapSummary {
    std::string library;  // the Header's
    uint64_t file_size = 0;
    uint64_t chunks = 0;                        // ChunkIndex records
    std::vector<std::string> compressions;      // each the chunks use, once, as a Chunk spells it
    uint64_t compressed = 0, uncompressed = 0;  // the chunks' records, all told
    McapStatistics statistics;
    std::vector<McapSchema> schemas;
    std::vector<McapChannel> channels;
    std::vector<McapMetadata> metadata;
    std::vector<uint64_t> log_times;  // of the channel asked for, in the file's order
};

// Read the summary of `path` into `summary`, with the log times of the
// channel `times_of` (none when not given). False, with why, when the file
// has no usable summary.
bool read_mcap_summary(const std::string& path, std::optional<uint16_t> times_of,
                       McapSummary& summary, std::string& why);
