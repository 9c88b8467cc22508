// MCAP recordings: what the writer writes reads back whole, and a file cut at
// any byte, at a record's boundary or within one, reads up to its last whole
// record and never beyond.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "mcap/mcap_format.h"
#include "mcap/mcap_reader.h"
#include "mcap/mcap_writer.h"
#include "tests/support/directory.h"

namespace {

const McapChannelInfo CHANNEL{"MainArmStateMsg",
                              std::string("\x0a\x03\x61\x62\x63", 5),
                              "/arm/state",
                              {{"controller", "127.0.0.1:8006"}},
                              "vostrel test"};

// A recording of `count` messages, each "message K" logged at K ms; its bytes.
std::string recording(const TemporaryDirectory& directory, int count) {
    McapRecording written;
    EXPECT_TRUE(written.create(directory.path + "/r.mcap", CHANNEL));
    for (int k = 1; k <= count; ++k) {
        const std::string data = "message " + std::to_string(k);
        written.add(static_cast<uint64_t>(k) * 1000000,
                    reinterpret_cast<const uint8_t*>(data.data()), data.size());
    }
    EXPECT_TRUE(written.finish());
    return directory.read("r.mcap");
}

struct Read {
    bool opened = false;
    std::vector<McapMessage> messages;
    McapReader::Next end = McapReader::BAD;
    uint64_t whole_bytes = 0;
};

Read read_back(const std::string& path) {
    Read read;
    McapReader reader;
    read.opened = reader.open(path);
    if (!read.opened) return read;
    McapMessage message;
    while ((read.end = reader.next(message)) == McapReader::MESSAGE) {
        read.messages.push_back(message);
    }
    read.whole_bytes = reader.whole_bytes();
    return read;
}

TEST(McapRecording, ReadsBackWhole) {
    TemporaryDirectory directory;
    const std::string bytes = recording(directory, 3);
    EXPECT_EQ(bytes.substr(0, 8), std::string(MCAP_MAGIC, 8));
    EXPECT_EQ(bytes.substr(bytes.size() - 8), std::string(MCAP_MAGIC, 8));
    McapReader reader;
    ASSERT_TRUE(reader.open(directory.path + "/r.mcap"));
    McapMessage message;
    for (uint32_t k = 1; k <= 3; ++k) {
        ASSERT_EQ(reader.next(message), McapReader::MESSAGE);
        EXPECT_EQ(message.channel_id, 1);
        EXPECT_EQ(message.sequence, k);
        EXPECT_EQ(message.log_time, k * 1000000ull);
        EXPECT_EQ(message.publish_time, message.log_time);
        EXPECT_EQ(message.data, "message " + std::to_string(k));
    }
    EXPECT_EQ(reader.next(message), McapReader::END);
    EXPECT_EQ(reader.whole_bytes(), bytes.size());
    ASSERT_EQ(reader.schemas().size(), 2u);  // the data section's and the summary's
    EXPECT_EQ(reader.schemas()[0].name, "MainArmStateMsg");
    EXPECT_EQ(reader.schemas()[0].encoding, "protobuf");
    EXPECT_EQ(reader.schemas()[0].data, CHANNEL.schema_data);
    ASSERT_EQ(reader.channels().size(), 2u);
    EXPECT_EQ(reader.channels()[0].topic, "/arm/state");
    EXPECT_EQ(reader.channels()[0].metadata, CHANNEL.metadata);
}

TEST(McapRecording, ACutFileReadsUpToItsLastWholeRecord) {
    TemporaryDirectory directory;
    const std::string bytes = recording(directory, 4);
    // Where each message record ends: a cut there or later keeps it.
    std::vector<size_t> message_ends;
    {
        McapReader reader;
        ASSERT_TRUE(reader.open(directory.path + "/r.mcap"));
        McapMessage message;
        while (reader.next(message) == McapReader::MESSAGE) {
            message_ends.push_back(reader.whole_bytes());
        }
    }
    ASSERT_EQ(message_ends.size(), 4u);
    for (size_t length = 0; length <= bytes.size(); ++length) {
        directory.write("cut.mcap", bytes.substr(0, length));
        const Read read = read_back(directory.path + "/cut.mcap");
        if (length < 8) {
            EXPECT_FALSE(read.opened) << length;
            continue;
        }
        ASSERT_TRUE(read.opened) << length;
        size_t whole = 0;
        while (whole < message_ends.size() && message_ends[whole] <= length) ++whole;
        ASSERT_EQ(read.messages.size(), whole) << "cut at " << length;
        for (size_t k = 0; k < whole; ++k) {
            EXPECT_EQ(read.messages[k].data, "message " + std::to_string(k + 1)) << length;
        }
        EXPECT_EQ(read.end, length == bytes.size() ? McapReader::END : McapReader::CUT) << length;
        EXPECT_LE(read.whole_bytes, length);
    }
}

TEST(McapRecording, WhatIsNotMcapIsRefusedWithItsReason) {
    TemporaryDirectory directory;
    std::string bytes = recording(directory, 1);
    const struct {
        const char* name;
        std::string bytes;
        const char* why;
    } rows[] = {
        {"a record file", "- hexData: 0000\n  delay: 0\n",
         "it is not an MCAP file (no MCAP magic at its start)"},
        {"a length past all reason",
         std::string(MCAP_MAGIC, 8) + mcap_record(MCAP_HEADER, "").substr(0, 1) +
             std::string("\xff\xff\xff\xff\xff\xff\xff\x7f", 8),
         "the record at byte 8 claims 9223372036854775807 bytes"},
        {"a channel that does not read",
         std::string(MCAP_MAGIC, 8) + mcap_record(MCAP_CHANNEL, std::string("\x01\x00\x01", 3)),
         "a Channel record does not read"},
        {"a schema with the id 0",
         std::string(MCAP_MAGIC, 8) +
             mcap_record(MCAP_SCHEMA, std::string("\0\0", 2) + std::string(12, '\0')),
         "a Schema record has the id 0"},
        {"a message before its channel",
         std::string(MCAP_MAGIC, 8) +
             mcap_record(MCAP_MESSAGE, std::string("\x07\x00", 2) + std::string(20, '\0') + "x"),
         "a Message on channel 7 comes before its Channel"},
    };
    for (const auto& row : rows) {
        directory.write("bad.mcap", row.bytes);
        McapReader reader;
        McapMessage message;
        if (reader.open(directory.path + "/bad.mcap")) {
            EXPECT_EQ(reader.next(message), McapReader::BAD) << row.name;
        }
        EXPECT_EQ(reader.why(), row.why) << row.name;
    }
}

}  // namespace
