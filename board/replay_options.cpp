#include "board/replay_options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "program/connection.h"

namespace {

constexpr long MOST_PASSES = 1000000000;

bool is_rate(const char* text) {
    double rate = 0;
    bool no_delays = false;
    return read_rate(text, rate, no_delays);
}

bool is_range(const char* text) {
    size_t first = 0, last = 0;
    return read_steps(text, first, last);
}

}  // namespace

const CommandLineForm BOARD_REPLAY_FORM{
    "board_replay",
    BOARD_DEFAULT_ADDRESS,
    8080,
    {{"RECORD_FILE", "record file written by board_recorder"}},
    {{"--check", "RECORD_FILE", "show and check each step of the file; connects to nothing", true},
     {"--rate",
      "X",
      "each delay lasts delay / X s; X positive (2, 0.5), or max: no delays",
      false,
      {ValueRule::CHECKED, 0, 0, "bad rate: ", " (a positive number such as 2 or 0.5, or max)",
       is_rate}},
     {"--loop",
      "N",
      "play the steps N times; 0: until Ctrl-C",
      false,
      {ValueRule::WHOLE_NUMBER, 0, MOST_PASSES,
       "bad loop count: ", " (a whole number of passes; 0 plays until Ctrl-C)"}},
     {"--steps",
      "A-B",
      "play only steps A to B (A-: to the end, A: that one), numbered as --check does",
      false,
      {ValueRule::CHECKED, 0, 0, "bad steps: ", " (A, A- or A-B, with 1 <= A <= B)", is_range}},
     {"--confirm", "", "show each step and ask before sending it"},
     {"--answers", "", "log each answer decoded, with its round trip, and a summary"},
     {"--expect", "", "as --answers, and compare each answer with the recorded one (status 6)"}},
    Wording::TOOL,
    nullptr,
    "OPTIONS"};

bool read_rate(const char* text, double& rate, bool& no_delays) {
    if (std::strcmp(text, "max") == 0) {
        no_delays = true;
        return true;
    }
    const size_t digits = std::strspn(text, "0123456789");
    size_t length = digits;
    size_t decimals = 0;
    if (text[length] == '.') {
        decimals = std::strspn(text + length + 1, "0123456789");
        length += 1 + decimals;
    }
    if (text[length] != '\0' || digits + decimals == 0) return false;
    rate = std::strtod(text, nullptr);
    return std::isfinite(rate) && rate > 0;
}

bool read_steps(const char* text, size_t& first, size_t& last) {
    const std::string range = text;
    const size_t dash = range.find('-');
    long a = 0, b = MOST_PASSES;
    if (!parse_whole_number(range.substr(0, dash).c_str(), 1, MOST_PASSES, a)) return false;
    if (dash != std::string::npos && dash + 1 < range.size() &&
        !parse_whole_number(range.substr(dash + 1).c_str(), 1, MOST_PASSES, b)) {
        return false;
    }
    if (dash == std::string::npos) b = a;
    if (a > b) return false;
    first = static_cast<size_t>(a);
    last = dash != std::string::npos && dash + 1 == range.size() ? static_cast<size_t>(-1)
                                                                 : static_cast<size_t>(b);
    return true;
}

ReplayOptions replay_options(const CommandLine& command_line) {
    ReplayOptions options;
    if (command_line.has("--rate")) {
        read_rate(command_line.value("--rate").c_str(), options.rate, options.no_delays);
    }
    options.looped = command_line.has("--loop");
    options.passes = command_line.number("--loop", 1);
    options.ranged = command_line.has("--steps");
    if (options.ranged) {
        read_steps(command_line.value("--steps").c_str(), options.first, options.last);
    }
    options.confirm = command_line.has("--confirm");
    options.expect = command_line.has("--expect");
    options.answers = options.expect || command_line.has("--answers");
    return options;
}
