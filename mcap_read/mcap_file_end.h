// The end of a whole MCAP file (mcap/mcap_format.h): the Footer before the
// closing magic, and the summary section it points at, whose ChunkIndex
// records tell where each chunk lies and which times it holds. A file that
// was cut has none of it, and one written by another writer may have a
// summary without ChunkIndex records: both are read from the start instead.
// The end is read as it comes from anywhere: an offset that points outside
// the file, or at a record other than the one named, is not followed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mcap_read/mcap_records.h"

// `size` bytes of `file` from `offset` into `out` (its bytes replaced); false
// when the file ends before them or a read fails.
bool read_at(int file, uint64_t offset, size_t size, std::string& out);

struct McapSummarySection {
    uint64_t file_size = 0;
    uint64_t start = 0;  // the summary's first record: the data section ends before it
    std::string bytes;   // the summary's records, up to the Footer
};

// The summary of `file`, read whole. False, with why, when the file does not
// end in a Footer and the closing magic, has no summary, or has one that lies
// outside the file or is longer than LARGEST_BLOCK.
bool read_summary_section(int file, McapSummarySection& section, std::string& why);

// Where a reader enters `file` for its messages from `log_time_ns` on: the
// first chunk in the file whose last message comes at or after that time, or
// the end of the last chunk when none does; `schemas` and `channels` are
// those of the summary. False when the file has no summary with ChunkIndex
// records, or when the chunk chosen lies outside the data section or is not a
// Chunk record of the length its index gives.
bool enter_by_index(int file, uint64_t log_time_ns, uint64_t& offset,
                    std::vector<McapSchema>& schemas, std::vector<McapChannel>& channels);
