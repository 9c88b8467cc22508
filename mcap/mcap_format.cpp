#include "mcap/mcap_format.h"

namespace {

template <typename Unsigned>
void append_little_endian(std::string& out, Unsigned value) {
    for (size_t i = 0; i < sizeof value; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xff);
    }
}

}  // namespace

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

std::string mcap_record(McapOpcode opcode, const std::string& content) {
    std::string record(1, static_cast<char>(opcode));
    append_u64(record, content.size());
    return record + content;
}
