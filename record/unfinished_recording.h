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
// at every moment and board_replay plays it as it is. It always holds whole
// entries, the first ones of the recording in their order: each append goes
// out in one write and is synced to the disk before the next command is read;
// an append that fails (a full disk, the file size limit) is cut back off
// (ftruncate) and tried again, with every entry still missing, after the next
// entry. A file without one whole entry is removed. Once the finished record
// file is in place the unfinished one is removed; when the final save fails,
// it stays, and the ERROR line names it only when it is there and loads.
#pragma once

#include <sys/types.h>

#include <string>

#include "files/file_writing.h"
#include "record/record_format.h"

struct UnfinishedRecording {
    OwnedFd file;
    std::string base;      // "unfinished_record_YYYYMMDD_hhmmss", set by the first entry
    std::string name;      // the file's name while it exists, else ""
    size_t entries = 0;    // the whole entries the file holds
    off_t bytes = 0;       // their length
    bool failing = false;  // the last append failed and its ERROR line is out
};

// Bring the file up to the recording's `entries` entries, whose text (as
// record_text() forms it: the entries joined by line breaks) is `text`,
// creating the file with the first entry. When an append fails, logs an
// ERROR line (once until the file is whole again) and leaves the file at its
// last whole entry.
void keep_entries(UnfinishedRecording& unfinished, const std::string& text, size_t entries);

// The finished record file is in place: close and remove the unfinished one.
void discard_unfinished(UnfinishedRecording& unfinished);

// The final save of `entries` entries failed: close the unfinished file and,
// when it is there and loads, say where the recording stays and how much of it.
void leave_unfinished(UnfinishedRecording& unfinished, size_t entries);
