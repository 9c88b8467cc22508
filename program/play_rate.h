// How fast and how often a recording plays back (board_replay, arm_sim
// --play): --rate X divides its waits by a positive decimal ("2", "0.5",
// ".5"), or "max": no waits at all; --loop N plays it N times, 0 until a
// signal. The two options are declared here once, words and all, for both.
#pragma once

#include <cstdint>

#include "program/command_line.h"

struct PlayRate {
    double factor = 1;  // the waits are divided by it
    bool max = false;   // no waits
};

// Read "2", "0.5", ".5" (a positive finite decimal) or "max"; false, `rate`
// untouched, for anything else ("0", "-1", "1e3", "2x").
bool read_play_rate(const char* text, PlayRate& rate);

// Read a number of seconds, "90", "1.5" (a finite decimal, 0 or more), into
// nanoseconds; false, `ns` untouched, for anything else.
bool read_play_seconds(const char* text, uint64_t& ns);

// The refusal of a rate that is not one: "bad rate: VALUE" and this.
extern const char PLAY_RATE_HINT[];

// "--rate X" into `field`: read_play_rate(), refused as "bad rate: X (...)".
template <typename Options>
OptionForm<Options> play_rate_option(PlayRate Options::*field, const char* meaning) {
    return {{"--rate", "X", meaning, ValueKind::NUMBER, Alone::NO, "bad rate: ", PLAY_RATE_HINT},
            [field](Options& options, const char* text) {
                return read_play_rate(text, options.*field);
            }};
}

// "--loop N" into `passes` (0: until a signal), and `looped` set when given.
template <typename Options>
OptionForm<Options> loop_option(long Options::*passes, bool Options::*looped, const char* meaning) {
    return {{"--loop", "N", meaning, ValueKind::NUMBER, Alone::NO,
             "bad loop count: ", " (a whole number of passes; 0 plays until Ctrl-C)"},
            [passes, looped](Options& options, const char* text) {
                return options.*looped = parse_whole_number(text, 0, 1000000000, options.*passes);
            }};
}
