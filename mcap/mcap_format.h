// MCAP, the container that robotics viewers and tools read (Foxglove,
// PlotJuggler, ROS 2 bags), in the unchunked subset this project writes and
// reads: every number little-endian, every record an opcode (1 byte), its
// content's length (8 bytes) and its content.
//
//     magic  Header  Schema  Channel  Message ...  DataEnd
//            Schema  Channel  Statistics            (the summary section)
//     Footer  magic
//
//     magic       89 4d 43 41 50 30 0d 0a ("\x89MCAP0\r\n"), at both ends
//     Header      profile (String), library (String)
//     Schema      id (u16, not 0), name, encoding (Strings), data (u32 length + bytes)
//     Channel     id (u16), schema id (u16), topic, message encoding (Strings),
//                 metadata (u32 byte length, then key and value Strings)
//     Message     channel id (u16), sequence (u32), log time, publish time
//                 (u64 ns since the Unix epoch), data (the rest of the record)
//     DataEnd     data section CRC (u32, 0: not computed)
//     Statistics  message count (u64), schema count (u16), channel count,
//                 attachment count, metadata count, chunk count (u32 each),
//                 first and last message time (u64), message count per channel
//                 (u32 byte length, then u16 channel id and u64 count pairs)
//     Footer      summary start (u64, the offset of the first summary record),
//                 summary offset start (u64, 0: none), summary CRC (u32, 0)
//
// A String is a u32 byte length and the bytes. A reader skips a record whose
// opcode it does not know and the bytes of a known record beyond the fields
// it knows. A file cut by a kill or a power loss ends after its last whole
// record, without DataEnd, summary, Footer or closing magic; it is read up to
// that record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr char MCAP_MAGIC[] = "\x89MCAP0\r\n";
constexpr size_t MCAP_MAGIC_SIZE = 8;
constexpr size_t MCAP_RECORD_HEAD = 9;  // opcode and content length

enum McapOpcode : uint8_t {
    MCAP_HEADER = 0x01,
    MCAP_FOOTER = 0x02,
    MCAP_SCHEMA = 0x03,
    MCAP_CHANNEL = 0x04,
    MCAP_MESSAGE = 0x05,
    MCAP_STATISTICS = 0x0B,
    MCAP_DATA_END = 0x0F,
};

// Little-endian fields appended to a record's content.
void append_u16(std::string& out, uint16_t value);
void append_u32(std::string& out, uint32_t value);
void append_u64(std::string& out, uint64_t value);
void append_text(std::string& out, const std::string& text);  // a String

// A whole record: its opcode, its content's length and the content.
std::string mcap_record(McapOpcode opcode, const std::string& content);
