#include "tests/support/scenario.h"

#include <gtest/gtest.h>
#include <pb_decode.h>

#include "prototext/text_writer.h"
#include "tests/support/capture.h"

PeerRun run_with_peer(const std::string& program, std::vector<PeerStep> script,
                      const RunOptions& options, const std::vector<std::string>& extra_args) {
    FakePeer peer(std::move(script));
    std::vector<std::string> args = {"127.0.0.1", peer.port_text()};
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    PeerRun result;
    result.port = peer.port();
    result.run = run_program(program, args, options);
    result.output = normalized(result.run.out);
    result.received = peer.received(5);
    result.arrivals = peer.arrivals();
    return result;
}

PeerRun run_with_peer(const std::string& program, std::vector<PeerStep> script,
                      const std::string& input, const std::vector<std::string>& extra_args) {
    RunOptions options;
    options.input = {{input, 0}};
    return run_with_peer(program, std::move(script), options, extra_args);
}

std::vector<PeerStep> board_answers(int count, const std::string& answer) {
    std::vector<PeerStep> script;
    for (int i = 0; i < count; ++i) {
        script.push_back(receive_board_frame());
        script.push_back(send_bytes(answer));
    }
    return script;
}

std::string typed_back(const std::string& program, const pb_msgdesc_t* fields,
                       const std::string& payload) {
    alignas(8) unsigned char record[4096] = {};  // room for a record of either schema
    pb_istream_t in =
        pb_istream_from_buffer(reinterpret_cast<const pb_byte_t*>(payload.data()), payload.size());
    if (!pb_decode(&in, fields, record)) return "<payload does not decode>";
    ProgramRun run = run_program(program, {"--encode", message_text(fields, record)});
    if (run.status != 0) return "<refused: " + run.out + ">";
    return run.out.substr(0, run.out.find('\n'));
}

void expect_typed_run_as_menu_run(const std::string& program, const std::vector<PeerStep>& script,
                                  const std::string& text, const std::string& menu_input) {
    PeerRun menu = run_with_peer(program, script, menu_input);
    PeerRun typed = run_with_peer(program, script, RunOptions{}, {"--request", text});
    ProgramRun encoded = run_program(program, {"--encode", text});
    EXPECT_EQ(encoded.status, 0) << text;
    EXPECT_EQ(encoded.out, hex_of(typed.received) + "\n") << text;
    EXPECT_EQ(typed.received, menu.received) << text;
    EXPECT_EQ(typed.run.status, menu.run.status) << text;
    const std::string packing = "[T] [INFO] packing protobuf msg\n";
    EXPECT_EQ(typed.output,
              startup_lines(typed.port) + menu.output.substr(menu.output.find(packing)))
        << text;
}
