/* The floor of a report monitor: connect, send the all-zero request, then
 * take main-arm frames off the stream and count them, printing nothing, until
 * the link closes. Usage: framed_reader PORT */
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "floor_link.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    int fd = floor_connect(argv[1]);
    static const uint8_t request[4] = {0, 0, 0, 0};
    if (floor_write(fd, request, sizeof request) != 0) return 1;
    static uint8_t bytes[1 << 16];
    size_t held = 0, frames = 0;
    for (;;) {
        ssize_t n = read(fd, bytes + held, sizeof bytes - held);
        if (n <= 0) break;
        held += (size_t)n;
        size_t at = 0;
        while (held - at >= 4) {
            size_t length = (size_t)bytes[at] << 24 | (size_t)bytes[at + 1] << 16 |
                            (size_t)bytes[at + 2] << 8 | bytes[at + 3];
            if (held - at < 4 + length) break;
            at += 4 + length;
            ++frames;
        }
        memmove(bytes, bytes + at, held - at);
        held -= at;
    }
    fprintf(stderr, "%zu frames\n", frames);
    return 0;
}
