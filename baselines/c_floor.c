/* The C floors the tools are measured against: nothing but the link's reads
 * and writes around the same exchanges.
 *   c_floor read PORT: a report monitor: send the all-zero request, then take
 *     main-arm frames off the stream and count them, printing nothing, until
 *     the link closes.
 *   c_floor exchange PORT HEADER_SIZE COUNT FRAME_HEX: a one-shot console
 *     (COUNT 1) or a replay: COUNT exchanges of one frame on one connection,
 *     each answer read whole before the next frame goes out (HEADER_SIZE 2:
 *     the signal board's frames; 4: the main arm's). */
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

static int connect_to(const char* port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in address = {0};
    address.sin_family = AF_INET;
    address.sin_port = htons((uint16_t)atoi(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, (struct sockaddr*)&address, sizeof address) != 0) exit(1);
    return fd;
}

/* Write (or read) exactly `length` bytes; 0 on success. */
static int whole(int writing, int fd, uint8_t* at, size_t length) {
    while (length > 0) {
        ssize_t n = writing ? write(fd, at, length) : read(fd, at, length);
        if (n <= 0) return -1;
        at += n;
        length -= (size_t)n;
    }
    return 0;
}

static int read_reports(int fd) {
    static uint8_t bytes[1 << 16];
    if (whole(1, fd, bytes, 4) != 0) return 1; /* the all-zero request */
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

static int exchange(int fd, size_t header, long count, const char* hex) {
    uint8_t frame[1024], answer[1024];
    size_t length = 0;
    unsigned value = 0;
    for (; hex[0] != '\0' && hex[1] != '\0' && sscanf(hex, "%2x", &value) == 1; hex += 2) {
        if (length < sizeof frame) frame[length++] = (uint8_t)value;
    }
    for (long i = 0; i < count; ++i) {
        if (whole(1, fd, frame, length) != 0 || whole(0, fd, answer, header) != 0) return 1;
        size_t payload = header == 2 ? (size_t)answer[0] | (size_t)answer[1] << 8
                                     : (size_t)answer[2] << 8 | answer[3];
        if (payload > sizeof answer || whole(0, fd, answer, payload) != 0) return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "read") == 0) return read_reports(connect_to(argv[2]));
    if (argc == 6 && strcmp(argv[1], "exchange") == 0) {
        return exchange(connect_to(argv[2]), (size_t)atoi(argv[3]), atol(argv[4]), argv[5]);
    }
    return 2;
}
