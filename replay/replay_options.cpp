#include "replay/replay_options.h"

#include "program/connection.h"

namespace {

constexpr long MOST_PASSES = 1000000000;

// "A", "A-" or "A-B" with 1 <= A <= B.
bool read_steps(ReplayOptions& options, const char* text) {
    const std::string range = text;
    const size_t dash = range.find('-');
    long a = 0, b = MOST_PASSES;
    if (!parse_whole_number(range.substr(0, dash).c_str(), 1, MOST_PASSES, a)) return false;
    const bool open_ended = dash != std::string::npos && dash + 1 == range.size();
    if (dash != std::string::npos && !open_ended &&
        !parse_whole_number(range.substr(dash + 1).c_str(), 1, MOST_PASSES, b)) {
        return false;
    }
    if (dash == std::string::npos) b = a;
    if (a > b) return false;
    options.ranged = true;
    options.first = static_cast<size_t>(a);
    options.last = open_ended ? static_cast<size_t>(-1) : static_cast<size_t>(b);
    return true;
}

}  // namespace

const CommandLineForm<ReplayOptions> BOARD_REPLAY_FORM{
    "board_replay",
    BOARD_DEFAULT_ADDRESS,
    8080,
    {{{"RECORD_FILE", "record file written by board_recorder"}, &ReplayOptions::record_file}},
    {named_option("--check", "RECORD_FILE", &ReplayOptions::check,
                  "show and check each step of the file; connects to nothing", ValueKind::NAME,
                  Alone::YES),
     play_rate_option(&ReplayOptions::rate,
                      "each delay lasts delay / X s; X positive (2, 0.5), or max: no delays"),
     loop_option(&ReplayOptions::passes, &ReplayOptions::looped,
                 "play the steps N times; 0: until Ctrl-C"),
     read_option<ReplayOptions>(
         {"--steps", "A-B",
          "play only steps A to B (A-: to the end, A: that one), numbered as --check does",
          ValueKind::NUMBER, Alone::NO, "bad steps: ", " (A, A- or A-B, with 1 <= A <= B)"},
         read_steps),
     flag_option("--confirm", &ReplayOptions::confirm, "show each step and ask before sending it"),
     flag_option("--answers", &ReplayOptions::answers,
                 "log each answer decoded, with its round trip, and a summary"),
     read_option<ReplayOptions>(
         {"--expect", "", "as --answers, and compare each answer with the recorded one (status 6)"},
         [](ReplayOptions& options, const char*) {
             options.expect = options.answers = true;
             return true;
         }),
     flag_option("--fail-on-error", &ReplayOptions::fail_on_error,
                 "end with status 7 when an answer reports an error (6 stands over it)"),
     named_option("--junit", "FILE", &ReplayOptions::junit,
                  "also write the replay as a JUnit XML report to FILE (replacing one there)"),
     json_option(&ReplayOptions::json,
                 "print each step played as a JSON line on standard output, and a summary, the "
                 "log lines on standard error"),
     timeout_option(&ReplayOptions::timeout_seconds)},
    Wording::TOOL,
    "",
    "OPTIONS"};
