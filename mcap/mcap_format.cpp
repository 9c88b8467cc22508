#include "mcap/mcap_format.h"

#include <cstring>

namespace {

template <typename Unsigned>
void append_little_endian(std::string& out, Unsigned value) {
    char bytes[sizeof value];
    for (size_t i = 0; i < sizeof value; ++i) {
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xff);
    }
    out.append(bytes, sizeof bytes);
}

}  // namespace

bool read_compression(const char* text, McapCompression& compression) {
    const struct {
        const char* name;
        McapCompression value;
    } names[] = {{"zstd", McapCompression::ZSTD},
                 {"lz4", McapCompression::LZ4},
                 {"none", McapCompression::NONE}};
    for (const auto& name : names) {
        if (std::strcmp(text, name.name) == 0) return compression = name.value, true;
    }
    return false;
}

const char* compression_name(McapCompression compression) {
    switch (compression) {
        case McapCompression::ZSTD:
            return "zstd";
        case McapCompression::LZ4:
            return "lz4";
        case McapCompression::NONE:
            break;
    }
    return "";
}

bool chunk_compression(const std::string& name, McapCompression& compression) {
    if (name.empty()) return compression = McapCompression::NONE, true;
    return name != "none" && read_compression(name.c_str(), compression);
}

void append_u16(std::string& out, uint16_t value) {
    append_little_endian(out, value);
}

void append_u32(std::string& out, uint32_t value) {
    append_little_endian(out, value);
}

void append_u64(std::string& out, uint64_t value) {
    append_little_endian(out, value);
}

void append_text(std::string& out, const std::string& text) {
    append_u32(out, static_cast<uint32_t>(text.size()));
    out += text;
}

void set_u64(std::string& out, size_t at, uint64_t value) {
    for (size_t i = 0; i < 8; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

std::string mcap_record(McapOpcode opcode, const std::string& content) {
    std::string record(1, static_cast<char>(opcode));
    append_u64(record, content.size());
    return record + content;
}

uint64_t McapFields::number(size_t width) {
    if (!ok || size - at < width) return ok = false, 0;
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) {
        value |= static_cast<uint64_t>(static_cast<unsigned char>(data[at + i])) << (8 * i);
    }
    at += width;
    return value;
}

std::string McapFields::text() {
    const McapFields bytes = part();
    return std::string(bytes.data, bytes.size);
}

McapFields McapFields::part() {
    const uint64_t length = number(4);
    if (!ok || size - at < length) return ok = false, McapFields{data, 0, 0, true};
    const McapFields inner{data + at, static_cast<size_t>(length), 0, true};
    at += length;
    return inner;
}
