#include "tests/support/scenario.h"

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
