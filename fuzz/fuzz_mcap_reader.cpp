// Any bytes as the MCAP file arm_sim --play is given: the reader must refuse
// it or read it safely, never crash or hang, from its start and entered at a
// moment; what it hands out lies within the file or within one of its chunks
// (never more than a chunk may hold), its whole records never reach past the
// file's end, a message handed out after seek() comes no earlier than the
// moment asked for, and a refusal always says why. The summary of the same
// bytes is read or refused with its reason, and what it tells fits the file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "mcap_read/mcap_reader.h"
#include "mcap_read/mcap_summary.h"

namespace {

// Read on to the end from where the reader stands; the first message's log time.
uint64_t read_through(McapReader& reader, size_t size, uint64_t from_ns) {
    McapMessage message;
    McapReader::Next next;
    uint64_t first_ns = 0;
    for (bool first = true; (next = reader.next(message)) == McapReader::MESSAGE; first = false) {
        if (message.data.size() > size && message.data.size() > LARGEST_BLOCK) __builtin_trap();
        if (reader.whole_bytes() > size) __builtin_trap();
        if (first && message.log_time < from_ns) __builtin_trap();
        if (first) first_ns = message.log_time;
    }
    if (next == McapReader::BAD && reader.why().empty()) __builtin_trap();
    if (reader.whole_bytes() > size) __builtin_trap();
    return first_ns;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int file = memfd_create("mcap", MFD_CLOEXEC);
    if (file < 0 || write(file, data, size) != static_cast<ssize_t>(size)) __builtin_trap();
    const std::string path = "/proc/self/fd/" + std::to_string(file);
    McapReader reader;
    if (reader.open(path)) {
        const uint64_t first_ns = read_through(reader, size, 0);
        for (const uint64_t at : {first_ns + 1, uint64_t{0}, ~uint64_t{0}}) {
            if (!reader.seek(at)) __builtin_trap();  // a memfd is a regular file
            read_through(reader, size, at);
        }
    } else if (reader.why().empty()) {
        __builtin_trap();
    }
    McapSummary summary;
    std::string why;
    if (read_mcap_summary(path, 1, summary, why)) {
        if (summary.file_size != size || summary.compressed > size) __builtin_trap();
    } else if (why.empty()) {
        __builtin_trap();
    }
    close(file);
    return 0;
}
