// The substitute signal board: what it keeps and how it answers a request.
//
// It keeps its power rails, the chassis lock and brakes, the motors and the
// lights across requests (and connections). A request that makes sense is
// applied and each change is logged; one that does not (all zero, an unknown
// platform command, a value outside the tables, a duty outside 0-100) changes
// nothing and is answered with an error:
//
//   code 1 empty request        code 4 chassis command    code 7 light mode
//   code 2 platform command     code 5 motor direction    code 8 test interface
//   code 3 power rail/switch    code 6 outlet selection   code 9 undecodable request
//
// Every answer carries a resp_id counting the board's answers from 1;
// "获取固件版本" adds the version text.
#pragma once

#include <map>
#include <string>

#include "board.pb.h"

// The seven lights (LIGHT_COUNT) by field number of LedGroupCommand, less one.
struct BoardState {
    int32_t answers = 0;
    std::map<uint32_t, bool> rails;  // PowerChannel -> on
    bool locked = true;
    bool hubs_powered = true;
    bool bumper_brake_masked = false;
    bool all_brakes_masked = false;
    MotorCommand camera_cover{};
    MotorCommand end_spray{};
    MotorSelectCommand toolbox_supply{};
    MotorSelectCommand toolbox_drain{};
    MotorSelectCommand toolbox_motor{};
    LedBaseCommand lights[7]{};
};

// The board as it is switched on.
BoardState initial_board_state();

struct BoardAnswer {
    int32_t resp_id = 0;
    bool has_version = false;
    std::string version;
    bool has_error = false;
    int32_t code = 0;
    std::string message;
};

// Apply `request` to `state` (logging every change) and give the answer.
BoardAnswer answer_request(BoardState& state, const CleaningComponentRequest& request);

// The answer to a request that could not be decoded.
BoardAnswer answer_undecodable(BoardState& state);
