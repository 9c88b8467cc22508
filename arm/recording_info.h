// arm_monitor --info FILE: what an MCAP recording of the arm's reports holds,
// told without connecting to anything:
//
//     file: arm.mcap, 345.8 kB, written by vostrel 1.3.0
//     chunks: 3, zstd, 472.2 kB of records in 342.1 kB
//     reports: 2993, 0 that do not decode
//     duration: 2.993 s
//     start: 2026-12-10 16:28:57.123 (1796747337123456000)
//     end: 2026-12-10 16:29:00.116 (1796747340116456000)
//     channel: /arm/state, schema MainArmStateMsg (protobuf), in protobuf, 1000.0 per second
//     gaps: 1 longer than 3x the median interval of 1.000 ms, the longest 3012.500 ms,
//           ending at 2026-12-10 16:28:59.002                      (one line)
//
// A whole file is told from its summary and its indexes, its chunks left
// unread (a night's recording in a fraction of a second); the reports that
// do not decode from the count the recorder kept (report/report_mcap.h). A
// file without them (cut by a kill, of release 1.2.0, from another writer)
// is read from its start, each report decoded, and a cut one up to its last
// whole record, with the line "cut at byte N: read up to its last whole
// record". The gaps are the intervals between the reports' log times longer
// than 3x their median (watch/stream_stats.h).
#pragma once

#include <string>

// Print what `path` holds on standard output; the exit status: 0, or 3 when
// it is not an MCAP recording that can be read, with an ERROR line that says
// why.
int print_recording_info(const std::string& path);
