// MCAP recordings entered at a moment (McapReader::seek) and told of by their
// summary alone (read_mcap_summary): through the index when it holds, by
// walking the chunks when the file has none or one that points astray, and
// never through the chunks before that moment.
#include <gtest/gtest.h>

#include "mcap/mcap_writer.h"
#include "mcap_read/mcap_reader.h"
#include "mcap_read/mcap_summary.h"
#include "tests/support/directory.h"
#include "tests/support/mcap_bytes.h"

namespace {

const McapChannelInfo CHANNEL{
    "MainArmStateMsg", "descriptor", "/arm/state", {{"controller", "127.0.0.1:8006"}}, "vostrel"};

constexpr uint64_t MS = 1000000;

std::string data_of(uint64_t k) {
    return "message " + std::to_string(k);
}

// Six messages, "message K" logged at K ms, in three zstd chunks of two.
std::string six_in_three(const TemporaryDirectory& directory) {
    McapRecording written;
    EXPECT_TRUE(written.create(directory.path + "/six.mcap", CHANNEL));
    for (uint64_t k = 1; k <= 6; ++k) {
        written.add(k * MS, reinterpret_cast<const uint8_t*>(data_of(k).data()), data_of(k).size());
        if (k % 2 == 0) written.write_due(std::chrono::steady_clock::now() + CHUNK_SECONDS);
    }
    written.set_metadata("vostrel", {{"undecodable", "2"}});
    EXPECT_TRUE(written.finish());
    return directory.read("six.mcap");
}

// Where the summary starts, as the Footer says.
size_t summary_of(const std::string& bytes) {
    McapFields footer{bytes.data() + bytes.size() - MCAP_FILE_TAIL + MCAP_RECORD_HEAD, 8, 0, true};
    return footer.number(8);
}

// `bytes` with each ChunkIndex's chunk offset set by `offset_of` (from the
// offset and the length it gives).
template <typename Change>
std::string with_chunk_offsets(std::string bytes, Change offset_of) {
    for (size_t at = summary_of(bytes); bytes[at] != MCAP_FOOTER;) {
        McapFields record{bytes.data() + at + 1, bytes.size() - at - 1, 0, true};
        const uint64_t length = record.number(8);
        if (bytes[at] == MCAP_CHUNK_INDEX) {
            McapFields index{bytes.data() + at + MCAP_RECORD_HEAD + 16, 16, 0, true};
            const uint64_t offset = index.number(8);
            set_u64(bytes, at + MCAP_RECORD_HEAD + 16, offset_of(offset, index.number(8)));
        }
        at += MCAP_RECORD_HEAD + length;
    }
    return bytes;
}

// The same six messages made by hand: the Schema and the Channel only in the
// first chunk, no summary.
std::string six_by_hand() {
    std::string bytes = mcap_start();
    for (uint32_t k = 1; k <= 6; k += 2) {
        ChunkParts parts = chunk_of(
            (k == 1 ? schema_record(1, "M", "d") + channel_record(1, 1, "/arm/state", {}) : "") +
                message_record(1, k, k * MS, data_of(k)) +
                message_record(1, k + 1, (k + 1) * MS, data_of(k + 1)),
            McapCompression::LZ4);
        parts.first_ns = k * MS;
        parts.last_ns = (k + 1) * MS;
        bytes += chunk_record(parts);
    }
    return bytes + mcap_end();
}

TEST(McapSeek, LandsOnTheFirstMessageFromThatMomentWithoutReadingTheChunksBefore) {
    TemporaryDirectory directory;
    const std::string whole = six_in_three(directory);
    const std::vector<std::pair<size_t, std::string>> records = records_of(whole);
    size_t data_end = 0, first_chunk = 0, chunk_size = 0;
    for (const auto& [at, record] : records) {
        if (record[0] == MCAP_DATA_END) data_end = at;
        if (record[0] == MCAP_CHUNK && first_chunk == 0)
            first_chunk = at, chunk_size = record.size();
    }
    std::string damaged = whole;
    damaged[first_chunk + chunk_size - 20] ^= 0x20;  // chunk 1 no longer decompresses whole
    const struct {
        const char* name;
        std::string bytes;
        bool whole;
        bool first_damaged;
    } files[] = {
        {"by the index", whole, true, false},
        {"cut: walked", whole.substr(0, data_end), false, false},
        {"an index outside the file",
         with_chunk_offsets(whole, [&](uint64_t, uint64_t) { return whole.size() + 100; }), true,
         false},
        {"an index at a message index",
         with_chunk_offsets(whole,
                            [](uint64_t offset, uint64_t length) { return offset + length; }),
         true, false},
        {"the first chunk damaged, by the index", damaged, true, true},
        {"the first chunk damaged, cut", damaged.substr(0, data_end), false, true},
        {"the channel in the first chunk only", six_by_hand(), true, false},
    };
    const struct {
        uint64_t at_ns;
        uint64_t first;  // 0: none
    } seeks[] = {{0, 1}, {2 * MS, 2}, {2 * MS + 1, 3}, {4 * MS, 4}, {6 * MS, 6}, {6 * MS + 1, 0}};
    for (const auto& file : files) {
        directory.write("seek.mcap", file.bytes);
        McapReader reader;  // one reader, entered again and again
        ASSERT_TRUE(reader.open(directory.path + "/seek.mcap")) << file.name;
        for (const auto& seek : seeks) {
            const std::string row = std::string(file.name) + " at " + std::to_string(seek.at_ns);
            ASSERT_TRUE(reader.seek(seek.at_ns)) << row;
            if (std::string(file.name) == "by the index") {
                EXPECT_EQ(reader.channels().size(), 1u) << row;  // from the summary
            }
            McapMessage message;
            McapReader::Next next = reader.next(message);
            const bool lost = file.first_damaged && seek.first <= 2 && seek.first != 0;
            if (seek.first != 0 && !lost) {
                ASSERT_EQ(next, McapReader::MESSAGE) << row << ": " << reader.why();
                ASSERT_EQ(reader.channels().size(), 1u) << row;
                EXPECT_EQ(reader.channels()[0].topic, "/arm/state") << row;
                for (uint64_t k = seek.first; next == McapReader::MESSAGE && k <= 7; ++k) {
                    EXPECT_EQ(message.data, data_of(k)) << row;
                    EXPECT_EQ(message.log_time, k * MS) << row;
                    next = reader.next(message);
                }
            }
            EXPECT_EQ(next, file.whole && !lost ? McapReader::END : McapReader::CUT) << row;
            EXPECT_LE(reader.whole_bytes(), file.bytes.size()) << row;
            EXPECT_EQ(reader.why().empty(), !lost) << row;
        }
    }
}

TEST(McapSummary, TellsTheRecordingWithoutDecompressingIt) {
    TemporaryDirectory directory;
    const std::string bytes = six_in_three(directory);
    McapSummary summary;
    std::string why;
    ASSERT_TRUE(read_mcap_summary(directory.path + "/six.mcap", 1, summary, why)) << why;
    EXPECT_EQ(summary.library, "vostrel");
    EXPECT_EQ(summary.file_size, bytes.size());
    EXPECT_EQ(summary.chunks, 3u);
    EXPECT_EQ(summary.compressions, std::vector<std::string>{"zstd"});
    EXPECT_GT(summary.compressed, 0u);
    const size_t opening = schema_record(1, CHANNEL.schema_name, CHANNEL.schema_data).size() +
                           channel_record(1, 1, CHANNEL.topic, CHANNEL.metadata).size();
    EXPECT_EQ(summary.uncompressed, 3 * opening + 6 * (MCAP_RECORD_HEAD + 22 + 9));
    EXPECT_EQ(summary.statistics.messages, 6u);
    EXPECT_EQ(summary.statistics.chunks, 3u);
    EXPECT_EQ(summary.statistics.first_ns, 1 * MS);
    EXPECT_EQ(summary.statistics.last_ns, 6 * MS);
    EXPECT_EQ(summary.statistics.channel_messages,
              (std::vector<std::pair<uint16_t, uint64_t>>{{1, 6}}));
    ASSERT_EQ(summary.schemas.size(), 1u);
    EXPECT_EQ(summary.schemas[0].data, "descriptor");
    ASSERT_EQ(summary.channels.size(), 1u);
    EXPECT_EQ(summary.channels[0].metadata, CHANNEL.metadata);
    ASSERT_EQ(summary.metadata.size(), 1u);
    EXPECT_EQ(summary.metadata[0].name, "vostrel");
    EXPECT_EQ(summary.metadata[0].entries, (McapMap{{"undecodable", "2"}}));
    EXPECT_EQ(summary.log_times,
              (std::vector<uint64_t>{MS, 2 * MS, 3 * MS, 4 * MS, 5 * MS, 6 * MS}));
    ASSERT_TRUE(read_mcap_summary(directory.path + "/six.mcap", std::nullopt, summary, why));
    EXPECT_TRUE(summary.log_times.empty());
    EXPECT_EQ(summary.chunks, 3u);
}

TEST(McapSummary, AFileWithoutAUsableSummaryIsLeftToTheReadFromItsStart) {
    TemporaryDirectory directory;
    const std::string bytes = six_in_three(directory);
    size_t second_index = 0;
    int indexes = 0;
    for (const auto& [at, record] : records_of(bytes)) {
        if (record[0] == MCAP_MESSAGE_INDEX && ++indexes == 2) second_index = at;
    }
    std::string astray = bytes;
    astray[second_index] = MCAP_METADATA;
    const struct {
        const char* name;
        std::string bytes;
        std::string why;
    } rows[] = {
        {"cut", bytes.substr(0, bytes.size() - 1),
         "it does not end in the closing magic (it was cut)"},
        {"no summary", six_by_hand(), "it has no summary"},
        {"an index outside the file",
         with_chunk_offsets(bytes, [&](uint64_t, uint64_t) { return bytes.size(); }),
         "its summary does not hold (at byte "},
        {"a message index astray", astray,
         "the message index at byte " + std::to_string(second_index) + " does not read"},
        {"not MCAP", "MCAP", "it is not an MCAP file (no MCAP magic at its start)"},
    };
    for (const auto& row : rows) {
        directory.write("s.mcap", row.bytes);
        McapSummary summary;
        std::string why;
        EXPECT_FALSE(read_mcap_summary(directory.path + "/s.mcap", 1, summary, why)) << row.name;
        EXPECT_EQ(why.substr(0, row.why.size()), row.why) << row.name;
    }
    // Release 1.2.0's recordings: a summary, but no chunk to index.
    const std::string old = std::string(VOSTREL_SOURCE_DIR) + "/fuzz/seeds/mcap_reader/whole.mcap";
    McapSummary summary;
    std::string why;
    EXPECT_FALSE(read_mcap_summary(old, 1, summary, why));
    EXPECT_EQ(why, "it has no chunk index (it is not chunked)");
    McapReader reader;
    ASSERT_TRUE(reader.open(old));
    McapMessage message;
    McapReader::Next next;
    int read = 0;
    while ((next = reader.next(message)) == McapReader::MESSAGE) ++read;
    EXPECT_EQ(read, 5);
    EXPECT_EQ(next, McapReader::END);
}

}  // namespace
