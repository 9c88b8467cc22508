/* The floor of a replay: COUNT exchanges of one signal-board frame on one
 * connection, each answer read whole before the next frame goes out.
 * Usage: replay_client PORT COUNT FRAME_HEX */
#include <stdlib.h>

#include "floor_link.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    int fd = floor_connect(argv[1]);
    long count = atol(argv[2]);
    uint8_t frame[1024], answer[1024];
    size_t length = floor_frame(argv[3], frame, sizeof frame);
    for (long i = 0; i < count; ++i) {
        if (floor_write(fd, frame, length) != 0 || floor_read(fd, answer, 2) != 0) return 1;
        size_t payload = (size_t)answer[0] | (size_t)answer[1] << 8;
        if (payload > sizeof answer || floor_read(fd, answer, payload) != 0) return 1;
    }
    return 0;
}
