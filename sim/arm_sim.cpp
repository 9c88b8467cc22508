#include "sim/arm_sim.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

#include "arm.pb.h"
#include "console/exit_status.h"
#include "console/interrupt.h"
#include "console/log.h"
#include "files/file_writing.h"
#include "link/frame_exchange.h"
#include "link/wall_clock.h"
#include "playback/arm_playback.h"
#include "proto/text_buffer.h"
#include "serve/answer_exchange.h"
#include "serve/client_threads.h"
#include "serve/listener.h"

namespace {

// Clients served at once on each port; more are turned away.
constexpr size_t MAX_COMMAND_CLIENTS = 16;
constexpr size_t MAX_REPORT_CLIENTS = 8;

struct Shared {
    std::mutex mutex;
    ArmState state;
    int rate_hz = 100;
    bool wave = false;
};

bool send_arm_answer(int client, const ArmAnswer& answer) {
    text_buffer error_text;
    MainArmResponseMsg response = answer.response;
    if (!answer.error.empty()) {
        set_text(error_text, answer.error.c_str());
        bind_text_to_send(response.error, error_text);
    }
    return send_answer(client, MainArmResponseMsg_fields, &response, ARM_FRAME, false);
}

// Take one request frame off a fresh connection and decode it.
bool receive_request(int client, MainArmRequestMsg& request) {
    FrameStream stream(client, ARM_FRAME);
    FrameBuffer frame{};
    FrameResult received = receive_frame(stream, frame);
    if (received.kind == FrameResult::FRAMING_LOST) {
        log_error("%s\n", "request header declares too long a frame");
        return false;
    }
    if (!received.is_frame()) {
        log_error("%s\n", "no whole request frame arrived");
        return false;
    }
    request = MainArmRequestMsg{};
    return decode_request(frame, received.length, ARM_FRAME, MainArmRequestMsg_fields, &request);
}

void serve_command(int client, Shared& shared) {
    MainArmRequestMsg request{};
    ArmAnswer answer;
    if (receive_request(client, request)) {
        std::lock_guard<std::mutex> lock(shared.mutex);
        answer = answer_command(shared.state, request, wall_clock_milliseconds());
    } else {
        answer = answer_undecodable(wall_clock_milliseconds());
    }
    send_arm_answer(client, answer);
}

// True when the client has gone away (closed or reset) while we waited.
bool wait_or_gone(int client, Deadline until) {
    if (wait_until_ready(client, POLLIN | POLLRDHUP, until) <= 0) return false;
    char discard[256];
    ssize_t n = read(client, discard, sizeof discard);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
}

void serve_reports(int client, const std::string& who, Shared& shared) {
    MainArmRequestMsg request{};
    if (!receive_request(client, request)) return;
    const auto period = std::chrono::nanoseconds(1000000000LL / shared.rate_hz);
    log_info("%s: streaming reports at %d Hz\n", who.c_str(), shared.rate_hz);
    uint64_t sent = 0;
    Deadline due = std::chrono::steady_clock::now();
    while (!interrupted()) {
        if (wait_or_gone(client, due)) break;
        Deadline now = std::chrono::steady_clock::now();
        if (now < due) continue;
        MainArmStateMsg report;
        {
            std::lock_guard<std::mutex> lock(shared.mutex);
            report = make_report(shared.state, wall_clock_milliseconds(), shared.wave);
        }
        FrameBuffer frame{};
        FrameResult encoded = encode_frame(MainArmStateMsg_fields, &report, ARM_FRAME, frame);
        if (!encoded.is_frame() || !send_frame(client, frame.data(), encoded.length).is_frame()) {
            break;
        }
        ++sent;
        due += period;
        // After a stall, go on from now instead of sending a burst.
        if (now - due > 10 * period) due = now;
    }
    log_info("%s: gone after %llu reports sent\n", who.c_str(),
             static_cast<unsigned long long>(sent));
}

// --rate as reports a second and as a play rate; refused once it is known
// which one it is (check_rate()), unless it is neither.
bool read_rate(ArmSimOptions& options, const char* text) {
    long hz = 0;
    options.rate_given = true;
    options.rate_text = text;
    options.rate_is_hz = parse_whole_number(text, 1, 10000, hz);
    if (options.rate_is_hz) options.rate_hz = hz;
    options.rate_plays = read_play_rate(text, options.play_rate);
    return options.rate_is_hz || options.rate_plays || options.play.has_value();
}

// The rules between the options, once all are read.
std::string check_options(const ArmSimOptions& options) {
    if (options.rate_given && options.play && !options.rate_plays) {
        return "bad rate: " + options.rate_text + PLAY_RATE_HINT;
    }
    if (options.rate_given && !options.play && !options.rate_is_hz) {
        return "bad rate: " + options.rate_text + " (1 to 10000 Hz)";
    }
    if (options.looped && !options.play) return "--loop plays a recording: it needs --play FILE";
    if (options.duration_ns && *options.duration_ns == 0) {
        return "bad seconds: --duration 0 plays nothing (more than 0 seconds)";
    }
    if ((options.start_ns || options.duration_ns) && !options.play) {
        return std::string(options.start_ns ? "--start" : "--duration") +
               " plays a part of a recording: it needs --play FILE";
    }
    if (options.wave && options.play) {
        return "--wave and --play cannot go together: the recording moves the joints";
    }
    return "";
}

// "--start S": seconds of a recording, into nanoseconds.
OptionForm<ArmSimOptions> seconds_option(const char* name, const char* value,
                                         std::optional<uint64_t> ArmSimOptions::*field,
                                         const char* meaning) {
    return read_option<ArmSimOptions>(
        {name, value, meaning, ValueKind::NUMBER, Alone::NO,
         "bad seconds: ", " (a number of seconds, 0 or more, such as 90 or 1.5)"},
        [field](ArmSimOptions& options, const char* text) {
            uint64_t ns = 0;
            if (!read_play_seconds(text, ns)) return false;
            options.*field = ns;
            return true;
        });
}

// The recording played to one report client, after its request.
void serve_recording(int client, const std::string& who, const ArmPlayback& playback) {
    MainArmRequestMsg request{};
    if (!receive_request(client, request)) return;
    log_info("%s: playing the recording\n", who.c_str());
    const uint64_t sent = play_reports(client, who, playback);
    log_info("%s: %llu reports played; closing the link\n", who.c_str(),
             static_cast<unsigned long long>(sent));
}

}  // namespace

const CommandLineForm<ArmSimOptions> ARM_SIM_FORM{
    "arm_sim",
    "",
    0,
    {},
    {listen_option(&ArmSimOptions::listen),
     port_option("--command-port", &ArmSimOptions::command_port),
     port_option("--report-port", &ArmSimOptions::report_port),
     read_option<ArmSimOptions>(
         {"--rate", "HZ", "", ValueKind::NUMBER, Alone::NO, "bad rate: ", " (1 to 10000 Hz)"},
         read_rate),
     flag_option("--wave", &ArmSimOptions::wave,
                 "the joints follow slow sine waves, so the arm moves by itself"),
     named_option("--play", "FILE", &ArmSimOptions::play,
                  "stream the reports of FILE, an arm_monitor --record MCAP recording, as they "
                  "came; --rate X divides its gaps (max: none), --loop N plays it N times "
                  "(0: until a signal)"),
     loop_option(&ArmSimOptions::passes, &ArmSimOptions::looped, ""),
     seconds_option("--start", "S", &ArmSimOptions::start_ns,
                    "with --play: begin S seconds after the recording's first report"),
     seconds_option("--duration", "D", &ArmSimOptions::duration_ns,
                    "with --play: play D seconds of it")},
    Wording::SIMULATOR,
    "  a main-arm controller on this machine; defaults 127.0.0.1, 8007, 8006 and 100 Hz\n"
    "  (port 0: any free port)\n",
    "",
    check_options};

int run_arm_sim(const ArmSimOptions& options) {
    ArmPlayback playback;
    if (options.play) {
        playback.path = *options.play;
        playback.rate = options.play_rate;
        playback.passes = options.passes;
        playback.start_ns = options.start_ns.value_or(0);
        playback.duration_ns = options.duration_ns.value_or(0);
        playback.terminal = isatty(STDOUT_FILENO) == 1;
        if (!check_arm_recording(playback)) return STATUS_RECORD_FILE_FAILED;
        if (playback.start_ns > playback.last_ns - playback.first_ns) {
            log_error("--start: %.3f s is past the recording's last report, at %.3f s\n",
                      static_cast<double>(playback.start_ns) / 1e9,
                      static_cast<double>(playback.last_ns - playback.first_ns) / 1e9);
            return STATUS_RECORD_FILE_FAILED;
        }
    }
    catch_interrupt();
    OwnedFd command_port(open_listener(options.listen, static_cast<int>(options.command_port),
                                       "arm_sim command port"));
    if (!command_port.is_open()) return STATUS_LINK_FAILED;
    OwnedFd report_port(open_listener(options.listen, static_cast<int>(options.report_port),
                                      "arm_sim report port"));
    if (!report_port.is_open()) return STATUS_LINK_FAILED;
    const int command_listener = command_port.get();
    const int report_listener = report_port.get();
    Shared shared;
    shared.rate_hz = static_cast<int>(options.rate_hz);
    shared.wave = options.wave;
    std::thread commands([command_listener, &shared] {
        serve_clients(command_listener, "arm_sim command port", MAX_COMMAND_CLIENTS,
                      "too many command clients; turning this one away",
                      [&shared](int client) { serve_command(client, shared); });
    });
    serve_clients(report_listener, "arm_sim report port", MAX_REPORT_CLIENTS,
                  "too many report clients; turning this one away",
                  [&shared, &options, &playback](int client) {
                      const std::string who = "report client " + peer_address(client);
                      if (options.play) {
                          serve_recording(client, who, playback);
                      } else {
                          serve_reports(client, who, shared);
                      }
                  });
    commands.join();
    log_info("%s\n", "arm_sim stopped");
    return STATUS_OK;
}
