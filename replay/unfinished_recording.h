// A recording kept on disk while it grows, so that it survives what cannot be
// caught: SIGKILL, a crash, a power loss.
//
// From the first answered entry on, board_recorder appends every entry to
// unfinished_record_YYYYMMDD_hhmmss.yaml in the working directory (the local
// time of the first entry; _1, _2, ... when the name is taken), the moment the
// operator has typed its delay:
//
//     - hexData: 02001001
//       delay: 2
//
// A YAML sequence of maps grows entry by entry, so the file is a record file
// at every moment and board_replay plays it as it is. Each entry goes out in
// one write and is synced to the disk before the next command is read. Once
// the finished record file is in place the unfinished one is removed; when the
// final save fails, it stays.
#pragma once

#include <string>

#include "replay/record_file.h"

struct UnfinishedRecording {
    int fd = -1;
    std::string name;      // "" until the first entry
    bool created = false;  // the file is ours to remove
    bool broken = false;   // could not be created or written: the recording lives in memory only
};

// Append one entry, creating the file with the first. When the file cannot be
// kept, logs an ERROR line naming it once and carries on without it.
void keep_entry(UnfinishedRecording& unfinished, const Action& action);

// The finished record file is in place: close and remove the unfinished one.
void discard_unfinished(UnfinishedRecording& unfinished);

// The final save failed: close the unfinished file and say where it stays.
void leave_unfinished(UnfinishedRecording& unfinished);
