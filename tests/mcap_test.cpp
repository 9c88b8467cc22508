// MCAP recordings: what the writer writes is laid out byte for byte as the
// format says and reads back whole in each compression; its chunks close by
// size and by time; files of every layout read alike; a file cut at any byte
// reads up to its last whole chunk and never beyond; what cannot be read is
// refused with its reason, a damaged chunk ends the read like a cut.
#include <gtest/gtest.h>

#include "compress/compressed_block.h"
#include "mcap/mcap_format.h"
#include "mcap/mcap_writer.h"
#include "mcap_read/mcap_reader.h"
#include "tests/support/directory.h"
#include "tests/support/mcap_bytes.h"

namespace {

using Clock = std::chrono::steady_clock;

const McapChannelInfo CHANNEL{"MainArmStateMsg",
                              std::string("\x0a\x03\x61\x62\x63", 5),
                              "/arm/state",
                              {{"controller", "127.0.0.1:8006"}},
                              "vostrel test"};

std::string data_of(int k) {
    return "message " + std::to_string(k);
}

// `count` messages, "message K" logged at K ms, a chunk closed by time after
// every `per_chunk` of them; the recording's bytes.
std::string recording(const TemporaryDirectory& directory, int count,
                      McapCompression compression = McapCompression::ZSTD, int per_chunk = 0) {
    McapRecording written;
    EXPECT_TRUE(written.create(directory.path + "/r.mcap", CHANNEL, compression));
    for (int k = 1; k <= count; ++k) {
        const std::string data = data_of(k);
        written.add(static_cast<uint64_t>(k) * 1000000,
                    reinterpret_cast<const uint8_t*>(data.data()), data.size());
        if (per_chunk > 0 && k % per_chunk == 0) written.write_due(Clock::now() + CHUNK_SECONDS);
    }
    EXPECT_TRUE(written.finish());
    return directory.read("r.mcap");
}

struct Read {
    bool opened = false;
    std::vector<McapMessage> messages;
    McapReader::Next end = McapReader::BAD;
    uint64_t whole_bytes = 0;
    std::string why;
};

Read read_back(const std::string& path) {
    Read read;
    McapReader reader;
    read.opened = reader.open(path);
    McapMessage message;
    while (read.opened && (read.end = reader.next(message)) == McapReader::MESSAGE) {
        read.messages.push_back(message);
    }
    read.whole_bytes = reader.whole_bytes();
    read.why = reader.why();
    return read;
}

TEST(McapRecording, ReadsBackWholeInEachCompression) {
    for (const McapCompression compression :
         {McapCompression::ZSTD, McapCompression::LZ4, McapCompression::NONE}) {
        const std::string name = compression_name(compression);
        TemporaryDirectory directory;
        const std::string bytes = recording(directory, 5, compression, 2);
        // The first chunk names its compression after its fixed fields.
        const size_t chunk = mcap_start(CHANNEL.library).size();
        EXPECT_EQ(bytes[chunk], MCAP_CHUNK) << name;
        EXPECT_EQ(bytes.substr(chunk + MCAP_RECORD_HEAD + 28, 4 + name.size()),
                  std::string(1, static_cast<char>(name.size())) + std::string(3, '\0') + name);
        McapReader reader;
        ASSERT_TRUE(reader.open(directory.path + "/r.mcap"));
        McapMessage message;
        for (uint32_t k = 1; k <= 5; ++k) {
            ASSERT_EQ(reader.next(message), McapReader::MESSAGE) << name << " " << k;
            EXPECT_EQ(message.channel_id, 1);
            EXPECT_EQ(message.sequence, k);
            EXPECT_EQ(message.log_time, k * 1000000ull);
            EXPECT_EQ(message.publish_time, message.log_time);
            EXPECT_EQ(message.data, data_of(static_cast<int>(k)));
        }
        EXPECT_EQ(reader.next(message), McapReader::END) << name;
        EXPECT_EQ(reader.whole_bytes(), bytes.size());
        ASSERT_EQ(reader.schemas().size(), 1u);  // each chunk's and the summary's, once
        EXPECT_EQ(reader.schemas()[0].name, "MainArmStateMsg");
        EXPECT_EQ(reader.schemas()[0].encoding, "protobuf");
        EXPECT_EQ(reader.schemas()[0].data, CHANNEL.schema_data);
        ASSERT_EQ(reader.channels().size(), 1u);
        EXPECT_EQ(reader.channels()[0].topic, "/arm/state");
        EXPECT_EQ(reader.channels()[0].metadata, CHANNEL.metadata);
    }
}

// Every byte of a recording, uncompressed so that each can be told: the
// chunk, its index, the Metadata, DataEnd, the summary, its offsets, the Footer.
TEST(McapRecording, LaysOutItsChunksAndSummaryAsTheFormatSays) {
    TemporaryDirectory directory;
    McapRecording written;
    ASSERT_TRUE(written.create(directory.path + "/r.mcap", CHANNEL, McapCompression::NONE));
    for (int k = 1; k <= 2; ++k) {
        const std::string data = data_of(k);
        written.add(static_cast<uint64_t>(k) * 1000, reinterpret_cast<const uint8_t*>(data.data()),
                    data.size());
    }
    written.set_metadata("vostrel", {{"undecodable", "1"}});
    EXPECT_EQ(written.messages(), 2u);
    EXPECT_EQ(written.chunks(), 0u);
    ASSERT_TRUE(written.finish());
    EXPECT_EQ(written.chunks(), 1u);

    const std::string schema = schema_record(1, CHANNEL.schema_name, CHANNEL.schema_data);
    const std::string channel = channel_record(1, 1, CHANNEL.topic, CHANNEL.metadata);
    const std::string opening = schema + channel;
    const std::string first = message_record(1, 1, 1000, data_of(1));
    const std::string records = opening + first + message_record(1, 2, 2000, data_of(2));
    ChunkParts parts = chunk_of(records, McapCompression::NONE);
    parts.first_ns = 1000;
    parts.last_ns = 2000;
    std::string file = mcap_start(CHANNEL.library);
    const uint64_t chunk_at = file.size();
    const std::string chunk = chunk_record(parts);
    std::string index, pairs;
    for (const uint64_t value : {uint64_t{1000}, uint64_t{opening.size()}, uint64_t{2000},
                                 uint64_t{opening.size() + first.size()}}) {
        append_u64(pairs, value);
    }
    append_u16(index, 1);
    append_text(index, pairs);
    file += chunk + mcap_record(MCAP_MESSAGE_INDEX, index);
    const uint64_t metadata_at = file.size();
    std::string metadata, map;
    append_text(metadata, "vostrel");
    append_text(map, "undecodable");
    append_text(map, "1");
    append_text(metadata, map);
    file += mcap_record(MCAP_METADATA, metadata) + mcap_record(MCAP_DATA_END, std::string(4, '\0'));
    const uint64_t summary = file.size();
    std::string chunk_index, statistics, metadata_index, offsets, footer;
    for (const uint64_t value :
         {uint64_t{1000}, uint64_t{2000}, chunk_at, uint64_t{chunk.size()}}) {
        append_u64(chunk_index, value);
    }
    append_u32(chunk_index, 10);
    append_u16(chunk_index, 1);
    append_u64(chunk_index, chunk_at + chunk.size());
    append_u64(chunk_index, MCAP_RECORD_HEAD + index.size());
    append_text(chunk_index, "");
    append_u64(chunk_index, records.size());
    append_u64(chunk_index, records.size());
    append_u64(statistics, 2);
    append_u16(statistics, 1);
    for (const uint32_t count : {1u, 0u, 1u, 1u}) append_u32(statistics, count);
    append_u64(statistics, 1000);
    append_u64(statistics, 2000);
    append_u32(statistics, 10);
    append_u16(statistics, 1);
    append_u64(statistics, 2);
    append_u64(metadata_index, metadata_at);
    append_u64(metadata_index, MCAP_RECORD_HEAD + metadata.size());
    append_text(metadata_index, "vostrel");
    const std::string groups[] = {schema, channel, mcap_record(MCAP_CHUNK_INDEX, chunk_index),
                                  mcap_record(MCAP_STATISTICS, statistics),
                                  mcap_record(MCAP_METADATA_INDEX, metadata_index)};
    const McapOpcode opcodes[] = {MCAP_SCHEMA, MCAP_CHANNEL, MCAP_CHUNK_INDEX, MCAP_STATISTICS,
                                  MCAP_METADATA_INDEX};
    for (size_t i = 0; i < std::size(groups); ++i) {
        std::string offset(1, static_cast<char>(opcodes[i]));
        append_u64(offset, file.size());
        append_u64(offset, groups[i].size());
        offsets += mcap_record(MCAP_SUMMARY_OFFSET, offset);
        file += groups[i];
    }
    append_u64(footer, summary);
    append_u64(footer, file.size());
    append_u32(footer, 0);
    file += offsets + mcap_record(MCAP_FOOTER, footer) + std::string(MCAP_MAGIC, MCAP_MAGIC_SIZE);
    const std::string bytes = directory.read("r.mcap");
    EXPECT_EQ(bytes, file);
    for (size_t at = 0; at < std::min(bytes.size(), file.size()); ++at) {
        ASSERT_EQ(bytes[at], file[at]) << "first difference at byte " << at;
    }
}

// A chunk's worth of records closes it before it would pass it, one second
// after its first message closes it too, even when no more messages come.
TEST(McapRecording, AChunkClosesAtItsSizeOrOneSecond) {
    TemporaryDirectory directory;
    McapRecording bysize;
    ASSERT_TRUE(bysize.create(directory.path + "/size.mcap", CHANNEL));
    const std::string data(1000, 'x');  // a record of 9 + 22 + 1000 bytes
    const size_t opening = schema_record(1, CHANNEL.schema_name, CHANNEL.schema_data).size() +
                           channel_record(1, 1, CHANNEL.topic, CHANNEL.metadata).size();
    const uint64_t fit = (CHUNK_BYTES - opening) / 1031;
    for (uint64_t k = 1; k <= fit + 1; ++k) {
        bysize.add(k, reinterpret_cast<const uint8_t*>(data.data()), data.size());
        EXPECT_EQ(bysize.chunks(), k <= fit ? 0u : 1u) << k;
    }
    ASSERT_TRUE(bysize.finish());
    EXPECT_EQ(bysize.chunks(), 2u);

    McapRecording bytime;
    ASSERT_TRUE(bytime.create(directory.path + "/time.mcap", CHANNEL));
    EXPECT_EQ(bytime.next_due(), McapRecording::Deadline::max());  // the Header is synced
    const Clock::time_point before = Clock::now();
    bytime.add(1, reinterpret_cast<const uint8_t*>(data.data()), 10);
    const Clock::time_point after = Clock::now();
    EXPECT_GE(bytime.next_due(), before + CHUNK_SECONDS);
    EXPECT_LE(bytime.next_due(), after + CHUNK_SECONDS);
    bytime.write_due(before + CHUNK_SECONDS - std::chrono::milliseconds(1));
    EXPECT_EQ(bytime.chunks(), 0u);
    bytime.write_due(after + CHUNK_SECONDS);
    EXPECT_EQ(bytime.chunks(), 1u);
    EXPECT_LT(bytime.next_due(), after + std::chrono::milliseconds(250) + CHUNK_SECONDS);
    bytime.write_due(Clock::now() + std::chrono::hours(1));  // written and synced
    EXPECT_EQ(bytime.next_due(), McapRecording::Deadline::max());
    EXPECT_EQ(read_back(directory.path + "/time.mcap").messages.size(), 1u);  // before finish()
    EXPECT_TRUE(bytime.finish());
}

// Release 1.2.0's unchunked files, and chunks as other writers make them.
TEST(McapReader, ReadsEveryLayout) {
    const std::string schema = schema_record(1, "M", "d");
    const std::string channel = channel_record(3, 1, "/t", {});
    const auto message = [](int k) { return message_record(3, k, k, data_of(k)); };
    const auto chunk = [](const std::string& records, McapCompression compression) {
        return chunk_record(chunk_of(records, compression));
    };
    const auto without_crc = [](const std::string& records) {
        ChunkParts parts = chunk_of(records, McapCompression::LZ4);
        parts.crc = 0;
        return chunk_record(parts);
    };
    const struct {
        const char* name;
        std::string records;
    } rows[] = {
        {"unchunked", schema + channel + message(1) + message(2) + message(3)},
        {"one zstd chunk",
         chunk(schema + channel + message(1) + message(2) + message(3), McapCompression::ZSTD)},
        {"schema and channel outside", schema + channel +
                                           chunk(message(1) + message(2), McapCompression::LZ4) +
                                           chunk(message(3), McapCompression::NONE)},
        {"channel only in the first chunk",
         chunk(schema + channel + message(1), McapCompression::ZSTD) +
             chunk(message(2), McapCompression::ZSTD) + without_crc(message(3))},
        {"chunked and unchunked", chunk(schema + channel + message(1), McapCompression::LZ4) +
                                      message(2) + chunk(message(3), McapCompression::NONE)},
    };
    TemporaryDirectory directory;
    for (const auto& row : rows) {
        directory.write("l.mcap", mcap_start() + row.records + mcap_end());
        const Read read = read_back(directory.path + "/l.mcap");
        EXPECT_EQ(read.end, McapReader::END) << row.name << ": " << read.why;
        ASSERT_EQ(read.messages.size(), 3u) << row.name;
        for (int k = 1; k <= 3; ++k) {
            EXPECT_EQ(read.messages[k - 1].data, data_of(k)) << row.name;
            EXPECT_EQ(read.messages[k - 1].channel_id, 3);
        }
    }
}

// Cut at every byte: the messages of the whole chunks before the cut, never
// one beyond, and the length that reads is where the last whole record ends.
TEST(McapReader, ACutFileReadsUpToItsLastWholeChunk) {
    TemporaryDirectory directory;
    const std::string bytes = recording(directory, 6, McapCompression::ZSTD, 2);
    // Where each record ends, and how many messages the chunks up to it hold.
    std::vector<std::pair<size_t, size_t>> ends;
    size_t messages = 0;
    for (const auto& [at, record] : records_of(bytes)) {
        if (record[0] == MCAP_CHUNK) messages += 2;
        ends.emplace_back(at + record.size(), messages);
    }
    ASSERT_EQ(messages, 6u);
    for (size_t length = 0; length <= bytes.size(); ++length) {
        directory.write("cut.mcap", bytes.substr(0, length));
        const Read read = read_back(directory.path + "/cut.mcap");
        if (length < MCAP_MAGIC_SIZE) {
            EXPECT_FALSE(read.opened) << length;
            continue;
        }
        ASSERT_TRUE(read.opened) << length;
        size_t whole = MCAP_MAGIC_SIZE, expected = 0;
        for (const auto& [end, count] : ends) {
            if (end <= length) whole = end, expected = count;
        }
        if (length == bytes.size()) whole = length;
        ASSERT_EQ(read.messages.size(), expected) << "cut at " << length;
        for (size_t k = 0; k < expected; ++k) {
            EXPECT_EQ(read.messages[k].data, data_of(static_cast<int>(k + 1))) << length;
        }
        EXPECT_EQ(read.end, length == bytes.size() ? McapReader::END : McapReader::CUT) << length;
        EXPECT_EQ(read.whole_bytes, whole) << length;
        EXPECT_EQ(read.why, "") << length;
    }
}

TEST(McapReader, WhatIsNotMcapIsRefusedWithItsReasonAndADamagedChunkEndsTheRead) {
    const std::string start = mcap_start();
    const std::string at = "the chunk at byte " + std::to_string(start.size());
    const std::string opening = schema_record(1, "M", "d") + channel_record(1, 1, "/t", {});
    const std::string records = opening + message_record(1, 1, 1, "one");
    const auto changed = [&](McapCompression compression, auto change) {
        ChunkParts parts = chunk_of(records, compression);
        change(parts);
        return start + chunk_record(parts);
    };
    const struct {
        const char* name;
        std::string bytes;
        McapReader::Next end;
        std::string why;
    } rows[] = {
        {"a record file", "- hexData: 0000\n  delay: 0\n", McapReader::BAD,
         "it is not an MCAP file (no MCAP magic at its start)"},
        {"a length past all reason",
         std::string(MCAP_MAGIC, 8) + mcap_record(MCAP_HEADER, "").substr(0, 1) +
             std::string("\xff\xff\xff\xff\xff\xff\xff\x7f", 8),
         McapReader::BAD, "the record at byte 8 claims 9223372036854775807 bytes"},
        {"a channel that does not read",
         std::string(MCAP_MAGIC, 8) + mcap_record(MCAP_CHANNEL, std::string("\x01\x00\x01", 3)),
         McapReader::BAD, "a Channel record does not read"},
        {"a schema with the id 0", start + schema_record(0, "M", ""), McapReader::BAD,
         "a Schema record has the id 0"},
        {"a message before its channel", start + message_record(7, 1, 1, "x"), McapReader::BAD,
         "a Message on channel 7 comes before its Channel"},
        {"an unknown compression",
         changed(McapCompression::NONE, [](ChunkParts& p) { p.compression = "brotli\x1b"; }),
         McapReader::BAD, at + " has an unknown compression: brotli?"},
        {"a chunk past the cap",
         changed(McapCompression::ZSTD, [](ChunkParts& p) { p.size = LARGEST_BLOCK + 1; }),
         McapReader::BAD, at + " claims 67108865 bytes of records"},
        {"zstd past its claim", changed(McapCompression::ZSTD, [](ChunkParts& p) { --p.size; }),
         McapReader::BAD,
         at + " holds more than the " + std::to_string(records.size() - 1) +
             " bytes of records it claims"},
        {"lz4 past its claim", changed(McapCompression::LZ4, [](ChunkParts& p) { --p.size; }),
         McapReader::BAD,
         at + " holds more than the " + std::to_string(records.size() - 1) +
             " bytes of records it claims"},
        {"none past its claim", changed(McapCompression::NONE, [](ChunkParts& p) { --p.size; }),
         McapReader::BAD,
         at + " holds more than the " + std::to_string(records.size() - 1) +
             " bytes of records it claims"},
        {"a record that does not read in a chunk",
         start + chunk_record(chunk_of(opening + mcap_record(MCAP_MESSAGE, "x").substr(0, 9),
                                       McapCompression::ZSTD)),
         McapReader::BAD, at + " holds a record that does not read"},
        {"a schema with the id 0 in a chunk",
         start + chunk_record(chunk_of(schema_record(0, "M", ""), McapCompression::LZ4)),
         McapReader::BAD, "a Schema record has the id 0"},
        {"a message before its channel in a chunk",
         start + chunk_record(chunk_of(message_record(7, 1, 1, "x"), McapCompression::NONE)),
         McapReader::BAD, "a Message on channel 7 comes before its Channel"},
        {"a CRC that does not match",
         changed(McapCompression::ZSTD, [](ChunkParts& p) { p.crc ^= 1; }), McapReader::CUT,
         at + " does not match its CRC"},
        {"zstd short of its claim", changed(McapCompression::ZSTD, [](ChunkParts& p) { ++p.size; }),
         McapReader::CUT, at + " does not decompress"},
        {"broken zstd", changed(McapCompression::ZSTD, [](ChunkParts& p) { p.packed[6] ^= 0x55; }),
         McapReader::CUT, at + " does not decompress"},
        {"cut lz4", changed(McapCompression::LZ4, [](ChunkParts& p) { p.packed.pop_back(); }),
         McapReader::CUT, at + " does not decompress"},
    };
    TemporaryDirectory directory;
    for (const auto& row : rows) {
        const bool chunked = row.bytes.compare(0, start.size(), start) == 0;
        directory.write("bad.mcap", row.bytes + (chunked ? mcap_end() : ""));
        const Read read = read_back(directory.path + "/bad.mcap");
        EXPECT_EQ(read.opened ? read.end : McapReader::BAD, row.end) << row.name;
        EXPECT_EQ(read.messages.size(), 0u) << row.name;
        EXPECT_EQ(read.why, row.why) << row.name;
        if (row.end == McapReader::CUT) {
            EXPECT_EQ(read.whole_bytes, start.size()) << row.name;
        }
    }
}

TEST(CompressedBlock, DecompressesToExactlyItsClaim) {
    const std::string bytes = "records, records, records and a few more records";
    for (const Compression compression : {Compression::ZSTD, Compression::LZ4, Compression::NONE}) {
        const std::string name = compression_name(compression);
        std::string packed(compressed_bound(compression, bytes.size()), '\0'), out = "old";
        packed.resize(
            compress_block(compression, bytes.data(), bytes.size(), &packed[0], packed.size()));
        ASSERT_GT(packed.size(), 0u) << name;
        EXPECT_EQ(compress_block(compression, bytes.data(), bytes.size(), &out[0], 3), 0u) << name;
        const struct {
            std::string packed;
            uint64_t size;
            Decompressed result;
        } rows[] = {
            {packed, bytes.size(), Decompressed::WHOLE},
            {packed, bytes.size() - 1, Decompressed::PAST_SIZE},
            {packed, bytes.size() + 1, Decompressed::BROKEN},
            {packed, LARGEST_BLOCK + 1, Decompressed::OVER_CAP},
            {packed.substr(0, packed.size() - 1), bytes.size(), Decompressed::BROKEN},
            {"", bytes.size(), Decompressed::BROKEN},
        };
        for (const auto& row : rows) {
            EXPECT_EQ(
                decompress_block(compression, row.packed.data(), row.packed.size(), row.size, out),
                row.result)
                << name << " " << row.size;
        }
        ASSERT_EQ(decompress_block(compression, packed.data(), packed.size(), bytes.size(), out),
                  Decompressed::WHOLE);
        EXPECT_EQ(out, bytes) << name;
    }
    EXPECT_EQ(crc32_of("123456789", 9), 0xCBF43926u);  // CRC-32's check value
    EXPECT_EQ(crc32_of("", 0), 0u);
}

TEST(McapFormat, CompressionsAreNamedAsOptionsAndChunksSpellThem) {
    const struct {
        const char* text;
        bool read;
        McapCompression compression;
        const char* chunk_name;
    } rows[] = {
        {"zstd", true, McapCompression::ZSTD, "zstd"}, {"lz4", true, McapCompression::LZ4, "lz4"},
        {"none", true, McapCompression::NONE, ""},     {"", false, McapCompression::ZSTD, ""},
        {"ZSTD", false, McapCompression::ZSTD, ""},    {"gzip", false, McapCompression::ZSTD, ""},
    };
    for (const auto& row : rows) {
        McapCompression compression = McapCompression::ZSTD;
        EXPECT_EQ(read_compression(row.text, compression), row.read) << row.text;
        if (!row.read) continue;
        EXPECT_EQ(compression, row.compression) << row.text;
        EXPECT_STREQ(compression_name(compression), row.chunk_name) << row.text;
        McapCompression spelled = McapCompression::ZSTD;
        EXPECT_TRUE(chunk_compression(row.chunk_name, spelled));
        EXPECT_EQ(spelled, row.compression);
    }
    McapCompression compression = McapCompression::ZSTD;
    EXPECT_FALSE(chunk_compression("none", compression));  // a Chunk spells it ""
}

}  // namespace
