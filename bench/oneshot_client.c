/* The floor of a one-shot console: connect, send one frame, read one answer
 * frame, exit. Usage: oneshot_client PORT HEADER_SIZE FRAME_HEX */
#include <stdlib.h>

#include "floor_link.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    int fd = floor_connect(argv[1]);
    size_t header = (size_t)atoi(argv[2]);
    uint8_t frame[1024], answer[1024];
    size_t length = floor_frame(argv[3], frame, sizeof frame);
    if (floor_write(fd, frame, length) != 0 || floor_read(fd, answer, header) != 0) return 1;
    size_t payload = header == 2 ? (size_t)answer[0] | (size_t)answer[1] << 8
                                 : (size_t)answer[2] << 8 | answer[3];
    return payload <= sizeof answer && floor_read(fd, answer, payload) == 0 ? 0 : 1;
}
