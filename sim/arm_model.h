// The substitute main arm: what it keeps and how it answers.
//
// Commands change the arm: INIT initialises it, ARM_ENABLE sets `enable`,
// OPEN_FORCE sets force feedback, SYNC_MAIN_ARM sets the six joint angles
// (radians), SET_ZERO zeroes them, SEND_FORCE stores force and torque. A
// command whose payload is missing or wrong (SYNC_MAIN_ARM without six
// angles, say) changes nothing and is answered with success false and an
// error text. GET_ID answers the arm's identity; every answer carries the
// request type and the arm's clock (SYNC_TS: its own time in milliseconds).
//
// Reports show the angles, six poses computed from them (x, y, z in metres,
// roll, pitch, yaw in radians, for an arm with links of 0.30, 0.25 and
// 0.10 m), the flags and `state`: bit 0 initialised, bit 1 enabled, bit 2
// force feedback on.
#pragma once

#include <cstdint>
#include <string>

#include "arm.pb.h"

struct ArmState {
    bool initialised = false;
    bool enable = false;
    bool force_feedback = false;
    bool grip = false;
    double angles[6] = {};
    Vector3Msg force{};
    Vector3Msg torque{};
};

struct ArmAnswer {
    MainArmResponseMsg response{};  // req_type, which_result, id or success, timestamp
    std::string error;
};

// Apply `request` to `state` (logging it and what changed) and give the answer.
ArmAnswer answer_command(ArmState& state, const MainArmRequestMsg& request, int64_t now_ms);

// The answer to a command that could not be decoded.
ArmAnswer answer_undecodable(int64_t now_ms);

// One state report of the arm as it is now (error text empty); with `wave`,
// each joint swings 0.5 rad about its angle, joint i once every 3 + i
// seconds, so that the arm moves without a second program.
MainArmStateMsg make_report(const ArmState& state, int64_t now_ms, bool wave = false);
