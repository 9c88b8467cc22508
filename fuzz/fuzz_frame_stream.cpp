// Any byte stream from a peer, cut into frames by receive_frame: every frame
// handed out fits the buffer and matches its header, and the reader ends.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "link/frame_exchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 60000) return 0;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) return 0;
    FrameFormat format = (data[0] & 1) ? ARM_FRAME : BOARD_FRAME;
    ssize_t written = write(ends[1], data + 1, size - 1);
    (void)written;
    close(ends[1]);
    FrameStream stream;
    stream.link = ends[0];
    stream.format = format;
    FrameBuffer frame{};
    for (int frames = 0; frames < 70000; ++frames) {
        FrameResult received = receive_frame(stream, frame);
        if (received.kind != FrameResult::FRAME && received.kind != FrameResult::FRAMING_LOST) {
            break;
        }
        if (received.length == 0 || received.length > FRAME_BUFFER_SIZE) __builtin_trap();
        if (received.is_frame() &&
            read_header(frame.data(), format) + format.header_size != received.length) {
            __builtin_trap();
        }
    }
    close(ends[0]);
    return 0;
}
