// The lines a watch prints on standard output: formed into `held` by its
// outputs (report_output.h), whatever they print, and put out
// in one go when the watch is about to wait, or once FLUSH_AT have gathered:
// as live as line by line, at a fraction of the writes. A write that fails
// (the reader gone, as with `| head`) ends the watch (OUTPUT_FAILED).
//
// Without a file to keep, the watch waits for standard output as it always
// has: a reader that stops reading holds the watch. With one (--csv,
// --record), never_wait() makes standard output never hold the watch back:
// it is written through a descriptor of its own that does not block (the
// same pipe or terminal opened anew, so the shell's is left as it was), what
// it does not take is held up to HELD_AT_MOST, and past that the lines of
// whole reports are dropped and counted (keep_or_drop()). When output flows
// again, one line says how many were not printed since the last such line:
//
//     [INFO] standard output did not keep up: 5210 reports were not printed
//
// and at the end one line gives them all ("... 8112 reports in all were not
// printed"). A file or a socket as standard output is written as always.
//
// What standard output carries is `held`; the log lines of the outputs (a
// file's failure, what it holds, the link lost and back) go into notes():
// the same text, unless the console is standard error (--json), where they
// are then written.
#pragma once

#include <poll.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/file_writing.h"

constexpr size_t FLUSH_AT = 256 * 1024;
constexpr size_t HELD_AT_MOST = 4 * 1024 * 1024;

class WatchLines {
  public:
    std::string held;  // formed and not yet written out

    // Room for a batch and the lines of the report that fill it, taken once
    // (untouched until used) rather than grown by doubling.
    WatchLines() { held.reserve(FLUSH_AT + FLUSH_AT / 8); }

    // Where the log lines go: `held`, or after notes_apart() lines of their
    // own for the console on standard error.
    std::string& notes() { return apart_ ? notes_ : held; }
    void notes_apart() { apart_ = true; }

    // From now on, never wait for standard output (see above).
    void never_wait();

    // After the lines of one report were formed from `mark` (held.size()
    // before them): kept, or dropped whole and counted when standard output
    // is too far behind.
    void keep_or_drop(size_t mark);

    // Put out what is held: waiting for standard output as always, or after
    // never_wait() what it takes now.
    void write_due();
    // After never_wait(), while lines wait to be written: standard output,
    // ready for them (one wait), or {-1}.
    pollfd wait() const;
    void woken(const pollfd& wait);
    // True once a write to standard output has failed.
    bool failed() const;
    // The count of reports not printed, then everything held, waiting for
    // standard output (a caught signal ends the wait); false when it failed.
    bool finish();

  private:
    bool write_some();  // what standard output takes now, without waiting

    OwnedFd out_;  // standard output that never blocks; closed: wait as always
    bool apart_ = false;
    std::string notes_;
    size_t sent_ = 0;       // the bytes at the start of `held` already written
    uint64_t dropped_ = 0;  // since the last line that said so
    uint64_t dropped_in_all_ = 0;
    bool failed_ = false;
};
