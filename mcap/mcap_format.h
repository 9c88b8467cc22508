// MCAP, the container that robotics viewers and tools read (Foxglove,
// PlotJuggler, ROS 2 bags), in the subset this project writes and reads:
// every number little-endian, every record an opcode (1 byte), its content's
// length (8 bytes) and its content. A String is a u32 byte length and the
// bytes; a map is a u32 byte length and then its entries.
//
// A recording (mcap/mcap_writer.h) is chunked: its messages lie in chunks of
// at most a second or 768 KiB of records, each compressed as one block, each
// followed by the index of its messages, and a summary at the end points at
// every chunk, so that a viewer finds any moment without reading the rest:
//
//     magic  Header  Chunk MessageIndex  Chunk MessageIndex ...  Metadata  DataEnd
//            Schema  Channel  ChunkIndex ...  Statistics  MetadataIndex
//            SummaryOffset ...  Footer  magic
//
//     magic          89 4d 43 41 50 30 0d 0a ("\x89MCAP0\r\n"), at both ends
//     Header         profile (String), library (String)
//     Schema   0x03  id (u16, not 0), name, encoding (Strings), data (u32 length + bytes)
//     Channel  0x04  id (u16), schema id (u16), topic, message encoding (Strings),
//                    metadata (map of key and value Strings)
//     Message  0x05  channel id (u16), sequence (u32), log time, publish time
//                    (u64 ns since the Unix epoch), data (the rest of the record)
//     Chunk    0x06  first and last message's log time (u64 each), uncompressed
//                    size (u64), CRC-32 of the uncompressed records (u32, 0: not
//                    computed), compression (String: "" none, "zstd", "lz4"),
//                    records (u64 length + the compressed bytes): a Schema, a
//                    Channel and Messages as they would stand outside a chunk
//     MessageIndex   0x07  channel id (u16), then (u32 byte length) pairs of log
//                    time and offset (u64 each) into the chunk's uncompressed records
//     ChunkIndex     0x08  first and last log time, the Chunk's offset in the file
//                    and its whole length, the offset of each channel's
//                    MessageIndex (map of u16 channel id and u64 offset), the
//                    MessageIndex records' length, compression (String),
//                    compressed and uncompressed size (u64 each)
//     Statistics     0x0B  message count (u64), schema count (u16), channel count,
//                    attachment count, metadata count, chunk count (u32 each),
//                    first and last message time (u64), message count per channel
//                    (map of u16 channel id and u64 count)
//     Metadata       0x0C  name (String), map of key and value Strings
//     MetadataIndex  0x0D  the Metadata's offset and length (u64 each), name (String)
//     SummaryOffset  0x0E  opcode (u8), offset and length (u64 each) of the
//                    summary's records of that opcode
//     DataEnd        0x0F  data section CRC (u32, 0: not computed)
//     Footer         0x02  summary start (u64, the offset of the first summary
//                    record, 0: none), summary offset start (u64, 0: none), summary CRC (u32, 0)
//
// Release 1.2.0 wrote unchunked files: Schema, Channel and Messages straight
// after the Header, a summary of Schema, Channel and Statistics. Readers take
// both, and the records of other writers: a record whose opcode they do not
// know is skipped, and so are the bytes of a known record beyond the fields
// they know. A file cut by a kill or a power loss ends after its last whole
// record (a chunk, for a recording), without DataEnd, summary, Footer or
// closing magic; it is read up to that record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "compress/compressed_block.h"

inline constexpr char MCAP_MAGIC[] = "\x89MCAP0\r\n";
constexpr size_t MCAP_MAGIC_SIZE = 8;
constexpr size_t MCAP_RECORD_HEAD = 9;  // opcode and content length

enum McapOpcode : uint8_t {
    MCAP_HEADER = 0x01,
    MCAP_FOOTER = 0x02,
    MCAP_SCHEMA = 0x03,
    MCAP_CHANNEL = 0x04,
    MCAP_MESSAGE = 0x05,
    MCAP_CHUNK = 0x06,
    MCAP_MESSAGE_INDEX = 0x07,
    MCAP_CHUNK_INDEX = 0x08,
    MCAP_STATISTICS = 0x0B,
    MCAP_METADATA = 0x0C,
    MCAP_METADATA_INDEX = 0x0D,
    MCAP_SUMMARY_OFFSET = 0x0E,
    MCAP_DATA_END = 0x0F,
};

// The Footer's content and the closing magic: the last bytes of a whole file.
constexpr size_t MCAP_FOOTER_CONTENT = 8 + 8 + 4;
constexpr size_t MCAP_FILE_TAIL = MCAP_RECORD_HEAD + MCAP_FOOTER_CONTENT + MCAP_MAGIC_SIZE;

// How a chunk's records are compressed: "zstd", "lz4" or "none" as an option
// reads it (false for any other text); as a Chunk spells it ("zstd", "lz4", "").
using McapCompression = Compression;
bool read_compression(const char* text, McapCompression& compression);
const char* compression_name(McapCompression compression);
bool chunk_compression(const std::string& name, McapCompression& compression);

// Little-endian fields appended to a record's content, or set in place.
void append_u16(std::string& out, uint16_t value);
void append_u32(std::string& out, uint32_t value);
void append_u64(std::string& out, uint64_t value);
void append_text(std::string& out, const std::string& text);  // a String
void set_u64(std::string& out, size_t at, uint64_t value);

// A whole record: its opcode, its content's length and the content.
std::string mcap_record(McapOpcode opcode, const std::string& content);

// The fields of a record's content, read in order: `ok` turns false at the
// first that does not fit, and every later one reads as 0 or empty.
struct McapFields {
    const char* data = nullptr;
    size_t size = 0;
    size_t at = 0;
    bool ok = true;

    uint64_t number(size_t width);  // 1, 2, 4 or 8 bytes
    std::string text();             // a String
    McapFields part();              // a map or an array: u32 byte length, then its bytes
    bool at_end() const { return at == size; }
};
