#include "mcap_read/mcap_file_end.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool read_at(int file, uint64_t offset, size_t size, std::string& out) {
    out.resize(size);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(file, &out[done], size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool read_summary_section(int file, McapSummarySection& section, std::string& why) {
    struct stat status {};
    if (fstat(file, &status) != 0) return why = std::strerror(errno), false;
    section.file_size = static_cast<uint64_t>(status.st_size);
    std::string tail;
    if (section.file_size < MCAP_MAGIC_SIZE + MCAP_FILE_TAIL ||
        !read_at(file, section.file_size - MCAP_FILE_TAIL, MCAP_FILE_TAIL, tail) ||
        tail.compare(MCAP_FILE_TAIL - MCAP_MAGIC_SIZE, MCAP_MAGIC_SIZE, MCAP_MAGIC,
                     MCAP_MAGIC_SIZE) != 0) {
        return why = "it does not end in the closing magic (it was cut)", false;
    }
    uint8_t opcode = 0;
    McapFields footer;
    if (!record_at(tail.data(), MCAP_RECORD_HEAD + MCAP_FOOTER_CONTENT, 0, opcode, footer) ||
        opcode != MCAP_FOOTER || footer.size != MCAP_FOOTER_CONTENT) {
        return why = "it has no Footer before its closing magic", false;
    }
    section.start = footer.number(8);
    const uint64_t footer_at = section.file_size - MCAP_FILE_TAIL;
    if (section.start == 0) return why = "it has no summary", false;
    if (section.start < MCAP_MAGIC_SIZE || section.start > footer_at) {
        return why = "its Footer points outside the file", false;
    }
    if (footer_at - section.start > LARGEST_BLOCK) return why = "its summary is too long", false;
    if (!read_at(file, section.start, footer_at - section.start, section.bytes)) {
        return why = "its summary does not read", false;
    }
    return true;
}

namespace {

// The chunk at `offset` is a Chunk record of `length` bytes in the data section.
bool is_chunk(int file, const McapSummarySection& section, uint64_t offset, uint64_t length) {
    std::string head;
    if (offset < MCAP_MAGIC_SIZE || length < MCAP_RECORD_HEAD || offset > section.start ||
        section.start - offset < length || !read_at(file, offset, MCAP_RECORD_HEAD, head)) {
        return false;
    }
    McapFields content{head.data() + 1, 8, 0, true};
    return static_cast<uint8_t>(head[0]) == MCAP_CHUNK &&
           content.number(8) == length - MCAP_RECORD_HEAD;
}

}  // namespace

bool enter_by_index(int file, uint64_t log_time_ns, uint64_t& offset,
                    std::vector<McapSchema>& schemas, std::vector<McapChannel>& channels) {
    McapSummarySection section;
    std::string why;
    if (!read_summary_section(file, section, why)) return false;
    uint8_t opcode = 0;
    McapFields content;
    McapChunkIndex index, chosen, last;
    bool found = false, any = false;
    for (size_t at = 0; record_at(section.bytes.data(), section.bytes.size(), at, opcode, content);
         at += MCAP_RECORD_HEAD + content.size) {
        if (opcode == MCAP_SCHEMA) {
            schemas.emplace_back();
            if (!read_schema(content, schemas.back()) || schemas.back().id == 0) return false;
        } else if (opcode == MCAP_CHANNEL) {
            channels.emplace_back();
            if (!read_channel(content, channels.back())) return false;
        } else if (opcode == MCAP_CHUNK_INDEX) {
            if (!read_chunk_index(content, 0, index)) return false;
            if (index.last_ns >= log_time_ns && (!found || index.offset < chosen.offset)) {
                chosen = index;
                found = true;
            }
            if (!any || index.offset > last.offset) last = index;
            any = true;
        }
    }
    if (!any) return false;
    const McapChunkIndex& entered = found ? chosen : last;
    if (!is_chunk(file, section, entered.offset, entered.length)) return false;
    offset = found ? chosen.offset : last.offset + last.length;
    return true;
}
