// A real program run against a scripted peer on 127.0.0.1.
#pragma once

#include <pb.h>

#include <string>
#include <vector>

#include "tests/support/bytes.h"
#include "tests/support/fake_peer.h"
#include "tests/support/process.h"

struct PeerRun {
    ProgramRun run;
    std::string output;    // standard output, normalized
    std::string received;  // every byte the program sent to the peer
    std::vector<double> arrivals;
    int port = 0;
};

// Start a peer playing `script`, run `program` with "127.0.0.1 PORT" followed
// by `extra_args`, and collect what both saw.
PeerRun run_with_peer(const std::string& program, std::vector<PeerStep> script,
                      const RunOptions& options, const std::vector<std::string>& extra_args = {});

// Shorthand: all of `input` at once, then end of input.
PeerRun run_with_peer(const std::string& program, std::vector<PeerStep> script,
                      const std::string& input, const std::vector<std::string>& extra_args = {});

// A peer that answers `count` signal-board requests, each with `answer`.
std::vector<PeerStep> board_answers(int count, const std::string& answer);

// What `program --encode` gives for the text that the simulators and
// --check show of a request (its payload decoded as a record of `fields`):
// the frame's hex, so that a test can see the text type back the same bytes.
std::string typed_back(const std::string& program, const pb_msgdesc_t* fields,
                       const std::string& payload);

// Run `program` against `script` once through its menus with `menu_input` and
// once with --request `text`: the typed run sends the menu path's frame, which
// is what --encode gives (status 0), prints no menu and, from "packing
// protobuf msg" on, the menu path's lines, and ends with its status.
void expect_typed_run_as_menu_run(const std::string& program, const std::vector<PeerStep>& script,
                                  const std::string& text, const std::string& menu_input);
