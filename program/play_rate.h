// How fast a recording plays back (board_replay --rate, arm_sim --play
// --rate): its waits divided by a positive decimal ("2", "0.5", ".5"), or
// "max": no waits at all.
#pragma once

struct PlayRate {
    double factor = 1;  // the waits are divided by it
    bool max = false;   // no waits
};

// Read "2", "0.5", ".5" (a positive finite decimal) or "max"; false, `rate`
// untouched, for anything else ("0", "-1", "1e3", "2x").
bool read_play_rate(const char* text, PlayRate& rate);
