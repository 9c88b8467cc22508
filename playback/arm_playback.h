// arm_sim --play FILE: the arm's reports played back from an MCAP recording
// of arm_monitor --record (report/report_mcap.h), to every monitor that
// connects to the report port:
//
//   - the recorded frames in order, each payload byte for byte behind its
//     4-byte length, the messages of the /arm/state channel in protobuf;
//   - spaced by the recorded log-time gaps divided by the rate (--rate X, or
//     max: no waits), each sent when it is due and never before;
//   - --start S and --duration D (seconds from the recording's first
//     report) play a part: the file is entered at S through its chunk
//     index, the chunks before it unread (mcap_read/mcap_reader.h's seek());
//   - --loop N times (0: until a signal), each pass after the last;
//   - then the link closes, so the monitor ends as it does when the arm
//     closes the link.
//
// While a client plays, its place shows: on a terminal one line redrawn in
// place each second, elsewhere a line every ten seconds:
//     report client 127.0.0.1:41234: 00:12:05 / 01:00:00
//
// The file is checked before any socket, from its summary when it is whole
// (a night's recording at once), else read through: one that is not MCAP,
// or that has no /arm/state channel in protobuf, is refused with the reason
// (status 3), and one cut before that channel says it was cut. A file cut by
// a kill or a power loss plays up to its last whole record, and a line says
// where it was cut (and another names a damaged chunk that ended it). Each
// client reads the file afresh, so nothing of it is held in memory.
#pragma once

#include <cstdint>
#include <string>

#include "program/play_rate.h"

struct ArmPlayback {
    std::string path;
    PlayRate rate;
    long passes = 1;                     // 0: until a signal
    uint64_t start_ns = 0;               // --start, from the first report
    uint64_t duration_ns = 0;            // --duration; 0: to the end
    bool terminal = false;               // standard output a terminal: the place redrawn in place
    uint16_t channel = 0;                // the /arm/state channel's id
    uint64_t reports = 0;                // the messages on it
    uint64_t first_ns = 0, last_ns = 0;  // their log times
    uint64_t whole_bytes = 0;
    bool cut = false;
};

// Check `playback.path` as above, and log what it holds:
//     playing FILE: R reports over S s
//     FILE was cut at byte N: it plays up to its last whole record
//     FILE: the chunk at byte N does not match its CRC        (a damaged chunk)
// False, with an ERROR line naming the file and the reason, when refused.
bool check_arm_recording(ArmPlayback& playback);

// Play the recording to the report client `client` (`who`, for its place),
// which has sent its request; returns the number of reports sent when the
// play is over or the client has gone (a signal ends it too).
uint64_t play_reports(int client, const std::string& who, const ArmPlayback& playback);
