// The wall clock in milliseconds since the Unix epoch, as the main arm's
// time synchronisation and its reports count time.
#pragma once

#include <time.h>

#include <cstdint>

// Now, read to the nanosecond and truncated to whole milliseconds.
inline int64_t wall_clock_milliseconds() {
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return (static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec) / 1000000;
}
