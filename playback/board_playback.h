// board_sim --play RECORDING: a signal board that answers as the real one
// answered in a recording kept with board_recorder --keep-answers. For each
// connection the steps start again from 1, and the stand-in follows a replay
// that skips steps (--steps) or plays them again (--loop):
//
//   - a request whose bytes equal the next step's frame gets that step's
//     recorded answer, byte for byte;
//   - one that equals a later step's frame jumps there, with the line
//         jumped from step N to step M: the request is step M's
//     and gets that step's answer;
//   - one that equals a step's frame only behind the next (the first step
//     after the last one was played, say) starts a new pass there, with
//         pass P begins: from step N back to step M
//     Where one frame stands at several steps, the nearest one ahead is
//     taken, the steps read as a circle from the next one;
//   - a request that equals no step is logged
//         step N: the request differs from the recording: expected TEXT, got TEXT
//     and answered with an error (error_info code 10, message "step N: the
//     request differs from the recording"), so the console shows it; the
//     step is done with all the same;
//   - after the last step, one that equals no step gets the error answer
//     "the recording has ended" (code 11), with the line
//         the recording has ended after step N: got TEXT, which is no step of it
//   - the connection ends with the line
//         client ADDR:PORT: S requests, M as recorded, D differed
//     followed, where the replay jumped, by ", J jumps (A ahead, P to a new
//     pass)" (", 1 jump (...)" for one).
//
// A recording with a step that has no answer is refused at the start, naming
// the step (status 3). So `board_replay --expect R` against
// `board_sim --play R` passes: a whole test chain runs with no board.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "record/record_format.h"

// The recording, loaded.
struct BoardPlayback {
    std::vector<Action> steps;
};

// Load `path` and check that every step carries its answer; false, with an
// ERROR line naming the file and the step or the reason, when it cannot be
// played.
bool load_board_recording(const std::string& path, BoardPlayback& playback);

// One connection's way through the recording.
class BoardStandIn {
  public:
    explicit BoardStandIn(const BoardPlayback& playback) : playback_(playback) {}

    // The answer frame to the request frame of `length` bytes.
    std::string answer(const uint8_t* frame, size_t length);

    // "client ADDR:PORT: S requests, M as recorded, D differed", and the jumps.
    std::string summary(const std::string& client) const;

  private:
    // The step at or after the next, in a circle, whose frame is `frame`;
    // the count of steps when there is none.
    size_t step_of(const uint8_t* frame, size_t length) const;

    const BoardPlayback& playback_;
    size_t next_ = 0;  // the next step, from 0
    size_t requests_ = 0, recorded_ = 0, differed_ = 0;
    size_t jumps_ahead_ = 0, new_passes_ = 0;
};
