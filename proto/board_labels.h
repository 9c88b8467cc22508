// The operator's words for the signal board's power rails, written once: the
// power menu lists them in this order, and board_sim names the rails it
// switches with them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board.pb.h"

struct RailLabel {
    const char* label;  // "底盘电源"
    PowerChannel channel;
};

constexpr size_t RAIL_COUNT = 5;
extern const RailLabel RAIL_LABELS[RAIL_COUNT];

// The label of `channel`, "" for a value that is no rail.
const char* rail_label(uint32_t channel);
