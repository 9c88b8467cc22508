// The wall clock since the Unix epoch: in milliseconds, as the main arm's time
// synchronisation and its reports count time; in microseconds, as received
// frames are stamped (FrameResult).
#pragma once

#include <time.h>

#include <cstdint>

// Now, read to the nanosecond and truncated to whole microseconds.
inline int64_t wall_clock_microseconds() {
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// Now, truncated to whole milliseconds.
inline int64_t wall_clock_milliseconds() {
    return wall_clock_microseconds() / 1000;
}
