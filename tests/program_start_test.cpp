// Start-up of all five tools: banner, command line, connection, exit statuses.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "tests/support/capture.h"
#include "tests/support/process.h"

namespace {

struct Tool {
    const char* name;
    const char* usage_line;
    const char* default_target;  // "address port" of the compiled-in default
    bool takes_file;
};

const Tool TOOLS[] = {
    {"board_console",
     "usage: board_console [--request TEXT] [--fail-on-error] [--json] [--timeout SECONDS] "
     "[SERVER PORT]\n"
     "       board_console --encode TEXT\n       board_console --describe\n"
     "       board_console --decode HEX\n       board_console --decode-answer HEX",
     "192.168.1.10 port: 8080", false},
    {"board_recorder",
     "usage: board_recorder [--keep-answers] [--answers] [--timeout SECONDS] [SERVER PORT]",
     "192.168.1.10 port: 8080", false},
    {"board_replay",
     "usage: board_replay [OPTIONS] [SERVER PORT] RECORD_FILE\n"
     "       board_replay --check RECORD_FILE",
     "192.168.1.10 port: 8080", true},
    {"arm_console",
     "usage: arm_console [--request TEXT] [--fail-on-error] [--json] [--timeout SECONDS] "
     "[SERVER PORT]\n"
     "       arm_console --encode TEXT\n       arm_console --describe\n"
     "       arm_console --decode HEX\n       arm_console --decode-answer HEX\n"
     "       arm_console --decode-report HEX",
     "192.168.1.20 port: 8007", false},
    {"arm_monitor",
     "usage: arm_monitor [--csv FILE] [--live] [--record FILE] [--compression zstd|lz4|none] "
     "[--stats] [--reconnect] [--json] [--timeout SECONDS] [--serve [ADDR:]PORT] "
     "[SERVER PORT]\n"
     "       arm_monitor --info FILE",
     "192.168.1.20 port: 8006", false},
};

const char BANNER[] = "[T] [INFO] Vostrel. Build date: D\n";

// A loopback port on which nothing listens.
std::string closed_port() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return std::to_string(ntohs(address.sin_port));
}

TEST(ProgramStart, HelpPrintsTheUsageAndEndsWell) {
    for (const Tool& tool : TOOLS) {
        for (const char* flag : {"-h", "--help"}) {
            ProgramRun run = run_program(tool.name, {flag});
            EXPECT_EQ(run.status, 0) << tool.name;
            std::string out = normalized(run.out);
            EXPECT_EQ(out.rfind(std::string(BANNER) + tool.usage_line + "\n", 0), 0u) << out;
        }
    }
}

TEST(ProgramStart, WrongArgumentCountIsRefused) {
    for (const Tool& tool : TOOLS) {
        // Never a count that a tool would accept: a lone argument is
        // board_replay's record path and would send it to its default address.
        std::vector<std::vector<std::string>> wrong = {{"127.0.0.1", "1", "x", "y"}};
        if (tool.takes_file) {
            wrong.push_back({});
            wrong.push_back({"127.0.0.1", "1"});
        } else {
            wrong.push_back({"127.0.0.1"});
            wrong.push_back({"127.0.0.1", "1", "x"});
        }
        for (const auto& args : wrong) {
            ProgramRun run = run_program(tool.name, args);
            EXPECT_EQ(run.status, 255) << tool.name << " " << args.size();
            std::string out = normalized(run.out);
            EXPECT_EQ(out.rfind(std::string(BANNER) + "[T] [ERROR] err arg input\n" +
                                    tool.usage_line + "\n",
                                0),
                      0u)
                << out;
        }
    }
}

TEST(ProgramStart, BadPortOrAddressIsNamedBeforeAnyConnection) {
    for (const Tool& tool : TOOLS) {
        const struct {
            const char* address;
            const char* port;
            const char* error;
        } cases[] = {
            {"127.0.0.1", "70000", "bad port: 70000 (a decimal number from 1 to 65535 is needed)"},
            {"127.0.0.1", "80x", "bad port: 80x (a decimal number from 1 to 65535 is needed)"},
            {"localhost", "8080",
             "bad server address: localhost (a dotted-decimal IPv4 address is needed)"},
        };
        for (const auto& c : cases) {
            std::vector<std::string> args = {c.address, c.port};
            if (tool.takes_file) args.push_back("r.yaml");
            ProgramRun run = run_program(tool.name, args);
            EXPECT_EQ(run.status, 255) << tool.name;
            std::string out = normalized(run.out);
            EXPECT_EQ(out.rfind(std::string(BANNER) + "[T] [ERROR] " + c.error + "\n" +
                                    tool.usage_line + "\n",
                                0),
                      0u)
                << out;
            EXPECT_EQ(out.find("Socket"), std::string::npos);
        }
    }
}

TEST(ProgramStart, RefusedConnectionGivesStatus1) {
    for (const Tool& tool : TOOLS) {
        std::string port = closed_port();
        std::vector<std::string> args = {"127.0.0.1", port};
        if (tool.takes_file) args.push_back("r.yaml");
        ProgramRun run = run_program(tool.name, args, "0\n");
        EXPECT_EQ(run.status, 1) << tool.name;
        EXPECT_EQ(normalized(run.out), std::string(BANNER) +
                                           "[T] [INFO] server: 127.0.0.1 port: " + port +
                                           "\n[T] [INFO] Socket successfully created..\n"
                                           "connection with the server failed...\n");
    }
}

// The compiled-in addresses are private; they are tried only inside an empty
// network namespace, where nothing can be reached.
TEST(ProgramStart, DefaultsAreUsedWithoutArguments) {
    if (system("unshare -n true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "an empty network namespace cannot be made here";
    }
    for (const Tool& tool : TOOLS) {
        RunOptions options;
        options.wrapper = {"unshare", "-n"};
        options.input = {{"0\n", 0}};
        options.timeout_seconds = 30;
        std::vector<std::string> args;
        if (tool.takes_file) args.push_back("r.yaml");
        ProgramRun run = run_program(tool.name, args, options);
        EXPECT_EQ(run.status, 1) << tool.name;
        EXPECT_EQ(normalized(run.out), std::string(BANNER) +
                                           "[T] [INFO] server: " + tool.default_target +
                                           "\n[T] [INFO] Socket successfully created..\n"
                                           "connection with the server failed...\n");
    }
    // A typed request without SERVER PORT goes to the default address too.
    RunOptions options;
    options.wrapper = {"unshare", "-n"};
    options.timeout_seconds = 30;
    ProgramRun typed =
        run_program("board_console", {"--request", "chassis { cmd: UNLOCK }"}, options);
    EXPECT_EQ(typed.status, 1);
    EXPECT_EQ(normalized(typed.out), std::string(BANNER) +
                                         "[T] [INFO] server: 192.168.1.10 port: 8080\n"
                                         "[T] [INFO] Socket successfully created..\n"
                                         "connection with the server failed...\n");
}

const char* const ALL_PROGRAMS[] = {"board_console", "board_recorder", "board_replay",
                                    "arm_console",   "arm_monitor",    "board_sim",
                                    "arm_sim"};

TEST(ProgramStart, VersionIsOneLineBeforeAnything) {
    for (const char* program : ALL_PROGRAMS) {
        ProgramRun run = run_program(program, {"--version"});
        EXPECT_EQ(run.status, 0) << program;
        EXPECT_EQ(run.out.rfind(std::string(program) + " 1.", 0), 0u) << run.out;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    }
}

TEST(ProgramStart, UnknownOptionsAreRefusedBeforeAnySocket) {
    for (const char* program : ALL_PROGRAMS) {
        for (const char* option : {"--bogus", "-x"}) {
            ProgramRun run = run_program(program, {option});
            EXPECT_EQ(run.status, 255) << program << " " << option;
            std::string out = normalized(run.out);
            EXPECT_NE(out.find(std::string("[T] [ERROR] unknown option: ") + option +
                               "\n"
                               "usage: " +
                               program),
                      std::string::npos)
                << out;
            EXPECT_EQ(out.find("Socket"), std::string::npos) << program;
        }
    }
    // A tool's file or address that starts with "-" is refused as an option too.
    ProgramRun replay = run_program("board_replay", {"127.0.0.1", "1", "-r.yaml"});
    EXPECT_EQ(replay.status, 255);
    EXPECT_NE(replay.out.find("unknown option: -r.yaml"), std::string::npos);
}

// The simulators word their refusals their own way, through the same parser.
TEST(ProgramStart, SimulatorsNameTheArgumentTheyRefuse) {
    const struct {
        const char* program;
        std::vector<std::string> args;
        const char* error;
    } rows[] = {
        {"board_sim", {"--port", "1", "x"}, "unexpected argument: x"},
        {"board_sim", {"--port"}, "missing value after --port"},
        {"board_sim", {"--port", "-1"}, "bad port: -1 (0 to 65535)"},
        {"board_sim", {"--port", "70000"}, "bad port: 70000 (0 to 65535)"},
        {"board_sim", {"--listen", "localhost"}, "bad listen address: localhost"},
        {"board_sim", {"--port", "1", "-h"}, "unknown option: -h"},
        {"arm_sim", {"--rate", "0"}, "bad rate: 0 (1 to 10000 Hz)"},
        {"arm_sim", {"--report-port", "1", "--rate", "10001"}, "bad rate: 10001 (1 to 10000 Hz)"},
        {"arm_sim", {"--command-port", "+1"}, "bad port: +1 (0 to 65535)"},
        {"arm_sim", {"--rate", "-2"}, "bad rate: -2 (1 to 10000 Hz)"},
        {"arm_sim",
         {"--play", "r.mcap", "--rate", "-2"},
         "bad rate: -2 (a positive number such as 2 or 0.5, or max)"},
        {"arm_sim", {"--loop", "2"}, "--loop plays a recording: it needs --play FILE"},
        {"arm_sim",
         {"--play", "r.mcap", "--wave"},
         "--wave and --play cannot go together: the recording moves the joints"},
        {"arm_sim",
         {"--play", "r.mcap", "--loop", "-1"},
         "bad loop count: -1 (a whole number of passes; 0 plays until Ctrl-C)"},
        {"arm_monitor",
         {"--csv", "a", "--record", "a"},
         "--csv and --record name the same file: a"},
    };
    for (const auto& row : rows) {
        ProgramRun run = run_program(row.program, row.args);
        EXPECT_EQ(run.status, 255) << row.error;
        std::string usage = normalized(run_program(row.program, {"--help"}).out);
        usage.erase(0, std::string(BANNER).size());
        EXPECT_EQ(normalized(run.out),
                  std::string(BANNER) + "[T] [ERROR] " + row.error + "\n" + usage)
            << row.error;
    }
}

}  // namespace
