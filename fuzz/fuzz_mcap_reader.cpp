// Any bytes as the MCAP file arm_sim --play is given: the reader must refuse
// it or read it safely, never crash or hang; what it hands out lies within
// the file, its whole records never reach past the file's end, and a refusal
// always says why.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "mcap/mcap_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int file = memfd_create("mcap", MFD_CLOEXEC);
    if (file < 0 || write(file, data, size) != static_cast<ssize_t>(size)) __builtin_trap();
    McapReader reader;
    if (reader.open("/proc/self/fd/" + std::to_string(file))) {
        McapMessage message;
        McapReader::Next next;
        uint64_t handed_out = 0;
        while ((next = reader.next(message)) == McapReader::MESSAGE) {
            handed_out += message.data.size();
            if (handed_out > size || reader.whole_bytes() > size) __builtin_trap();
        }
        if (next == McapReader::BAD && reader.why().empty()) __builtin_trap();
        if (reader.whole_bytes() > size) __builtin_trap();
    } else if (reader.why().empty()) {
        __builtin_trap();
    }
    close(file);
    return 0;
}
