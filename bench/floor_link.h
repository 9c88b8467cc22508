/* What the three C floors share: a loopback connection and whole reads and
 * writes, with nothing else around them. */
#ifndef VOSTREL_FLOOR_LINK_H
#define VOSTREL_FLOOR_LINK_H

#include <stddef.h>
#include <stdint.h>

/* Connect to 127.0.0.1:port; exits with status 1 on failure. */
int floor_connect(const char* port);

/* Write all `length` bytes; 0 on success. */
int floor_write(int fd, const void* bytes, size_t length);

/* Read exactly `length` bytes; 0 on success, -1 when the link closed or failed. */
int floor_read(int fd, void* bytes, size_t length);

/* The bytes of a frame given in hex ("02001001"); returns its length. */
size_t floor_frame(const char* hex, uint8_t* out, size_t room);

#endif
