#include "floor_link.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

int floor_connect(const char* port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in address = {0};
    address.sin_family = AF_INET;
    address.sin_port = htons((uint16_t)atoi(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || connect(fd, (struct sockaddr*)&address, sizeof address) != 0) exit(1);
    return fd;
}

int floor_write(int fd, const void* bytes, size_t length) {
    const uint8_t* at = bytes;
    while (length > 0) {
        ssize_t n = write(fd, at, length);
        if (n <= 0) return -1;
        at += n;
        length -= (size_t)n;
    }
    return 0;
}

int floor_read(int fd, void* bytes, size_t length) {
    uint8_t* at = bytes;
    while (length > 0) {
        ssize_t n = read(fd, at, length);
        if (n <= 0) return -1;
        at += n;
        length -= (size_t)n;
    }
    return 0;
}

size_t floor_frame(const char* hex, uint8_t* out, size_t room) {
    size_t length = 0;
    unsigned value = 0;
    while (hex[0] != '\0' && hex[1] != '\0' && length < room && sscanf(hex, "%2x", &value) == 1) {
        out[length++] = (uint8_t)value;
        hex += 2;
    }
    return length;
}
