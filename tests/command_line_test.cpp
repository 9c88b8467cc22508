#include <gtest/gtest.h>

#include "program/connection.h"
#include "program/program_start.h"
#include "program/typed_request.h"
#include "tests/support/capture.h"

namespace {

const CommandLineForm CONSOLE{"board_console", "127.0.0.9", 8080, {}, {}};
const CommandLineForm REPLAY{"board_replay",
                             "127.0.0.9",
                             8080,
                             {{"RECORD_FILE", "record file written by board_recorder"}},
                             {}};

struct Parsed {
    CommandLine line;
    std::string output;
};

Parsed parse(const CommandLineForm& form, std::vector<const char*> args) {
    args.insert(args.begin(), form.program);
    StdoutCapture capture;
    Parsed p{parse_command_line(static_cast<int>(args.size()), args.data(), form), ""};
    p.output = without_timestamps(capture.finish());
    return p;
}

TEST(CommandLine, DefaultsAndExplicitTarget) {
    Parsed none = parse(CONSOLE, {});
    EXPECT_TRUE(none.line.outcome.goes_on);
    EXPECT_EQ(none.line.server_address, "127.0.0.9");
    EXPECT_EQ(none.line.server_port, 8080);
    EXPECT_EQ(none.output, "");

    Parsed both = parse(CONSOLE, {"127.0.0.1", "65535"});
    EXPECT_TRUE(both.line.outcome.goes_on);
    EXPECT_EQ(both.line.server_address, "127.0.0.1");
    EXPECT_EQ(both.line.server_port, 65535);

    Parsed file = parse(REPLAY, {"rec.yaml"});
    EXPECT_TRUE(file.line.outcome.goes_on);
    EXPECT_EQ(file.line.server_port, 8080);
    EXPECT_EQ(file.line.value("RECORD_FILE"), "rec.yaml");

    Parsed three = parse(REPLAY, {"127.0.0.1", "1", "./-h"});
    EXPECT_TRUE(three.line.outcome.goes_on);
    EXPECT_EQ(three.line.server_port, 1);
    EXPECT_EQ(three.line.value("RECORD_FILE"), "./-h");
}

TEST(CommandLine, WrongCountIsRefusedWithUsage) {
    const std::vector<std::vector<const char*>> console_cases = {{"127.0.0.1"},
                                                                 {"127.0.0.1", "1", "x"}};
    for (const auto& args : console_cases) {
        Parsed p = parse(CONSOLE, args);
        EXPECT_FALSE(p.line.outcome.goes_on);
        EXPECT_EQ(p.line.outcome.status, 255);
        EXPECT_EQ(p.output, "[T] [ERROR] err arg input\n" + usage_text(CONSOLE));
    }
    for (const auto& args : std::vector<std::vector<const char*>>{{}, {"a", "b"}}) {
        Parsed p = parse(REPLAY, args);
        EXPECT_EQ(p.line.outcome.status, 255);
        EXPECT_EQ(p.output, "[T] [ERROR] err arg input\n" + usage_text(REPLAY));
    }
}

TEST(CommandLine, BadPortIsNamedAndRefused) {
    for (const char* port : {"70000", "abc", "80x", "0", "", " 80", "+80", "123456"}) {
        Parsed p = parse(CONSOLE, {"127.0.0.1", port});
        EXPECT_FALSE(p.line.outcome.goes_on) << port;
        EXPECT_EQ(p.line.outcome.status, 255) << port;
        EXPECT_EQ(p.output, std::string("[T] [ERROR] bad port: ") + port +
                                " (a decimal number from 1 to 65535 is needed)\n" +
                                usage_text(CONSOLE));
    }
}

TEST(CommandLine, BadAddressIsNamedAndRefused) {
    for (const char* address : {"localhost", "1.2.3", "256.1.1.1", "1.2.3.4.5", ""}) {
        Parsed p = parse(REPLAY, {address, "8080", "rec.yaml"});
        EXPECT_EQ(p.line.outcome.status, 255) << address;
        EXPECT_EQ(p.output, std::string("[T] [ERROR] bad server address: ") + address +
                                " (a dotted-decimal IPv4 address is needed)\n" +
                                usage_text(REPLAY));
    }
}

TEST(CommandLine, ArgumentsStartingWithADashAreNeverFilesOrAddresses) {
    const CommandLineForm CHECKING{"board_replay",
                                   "127.0.0.9",
                                   8080,
                                   {{"RECORD_FILE", "record file written by board_recorder"}},
                                   {{"--check", "RECORD_FILE", "check it", true}}};
    const CommandLineForm TYPING{
        "arm_console", "127.0.0.9", 8007, {}, {REQUEST_OPTION, ENCODE_OPTION}};
    const struct {
        const CommandLineForm* form;
        std::vector<const char*> args;
        const char* error;
    } refused[] = {
        {&CONSOLE, {"--version-typo"}, "unknown option: --version-typo"},
        {&CONSOLE, {"127.0.0.1", "-1"}, "unknown option: -1"},
        {&CONSOLE, {"-", "1"}, "unknown option: -"},
        {&REPLAY, {"127.0.0.1", "1", "-h"}, "-h takes nothing else"},
        {&REPLAY, {"--check"}, "unknown option: --check"},
        {&CHECKING,
         {"--check"},
         "--check needs a RECORD_FILE (a name that starts with - is "
         "given as ./-name)"},
        {&CHECKING,
         {"--check", "-r.yaml"},
         "--check needs a RECORD_FILE (a name that starts "
         "with - is given as ./-name)"},
        {&CHECKING, {"--check", "a.yaml", "b.yaml"}, "--check RECORD_FILE takes nothing else"},
        {&CHECKING,
         {"127.0.0.1", "1", "--check", "a.yaml"},
         "--check RECORD_FILE takes nothing else"},
        {&CHECKING, {"--check", "a", "--check", "b"}, "--check given twice"},
        {&TYPING, {"--encode", "-"}, "--encode needs a TEXT (a text cannot begin with -)"},
        {&TYPING, {"--request", "-x"}, "--request needs a TEXT (a text cannot begin with -)"},
    };
    for (const auto& c : refused) {
        Parsed p = parse(*c.form, c.args);
        EXPECT_FALSE(p.line.outcome.goes_on) << c.error;
        EXPECT_EQ(p.line.outcome.status, 255) << c.error;
        EXPECT_EQ(p.output, std::string("[T] [ERROR] ") + c.error + "\n" + usage_text(*c.form));
    }
    Parsed check = parse(CHECKING, {"--check", "./-r.yaml"});
    EXPECT_TRUE(check.line.outcome.goes_on);
    EXPECT_EQ(check.line.value("--check"), "./-r.yaml");
    EXPECT_EQ(check.output, "");
    Parsed replay = parse(CHECKING, {"r.yaml"});
    EXPECT_TRUE(replay.line.outcome.goes_on);
    EXPECT_FALSE(replay.line.has("--check"));
    EXPECT_NE(usage_text(CHECKING).find("\n  --check RECORD_FILE  check it\n"), std::string::npos);
}

TEST(CommandLine, HelpPrintsUsageAndEndsWell) {
    for (const char* flag : {"-h", "--help"}) {
        for (const CommandLineForm* form : {&CONSOLE, &REPLAY}) {
            Parsed p = parse(*form, {flag});
            EXPECT_FALSE(p.line.outcome.goes_on);
            EXPECT_EQ(p.line.outcome.status, 0);
            EXPECT_EQ(p.output, usage_text(*form));
        }
    }
    EXPECT_EQ(usage_text(REPLAY).rfind("usage: board_replay [SERVER PORT] RECORD_FILE\n", 0), 0u);
}

// The usage names every form: options in brackets, and a line for each that stands alone.
TEST(CommandLine, UsageShowsEveryForm) {
    const CommandLineForm TYPING{
        "arm_console", "127.0.0.9", 8007, {}, {REQUEST_OPTION, ENCODE_OPTION}};
    EXPECT_EQ(usage_text(TYPING).rfind("usage: arm_console [--request TEXT] [SERVER PORT]\n"
                                       "       arm_console --encode TEXT\n  SERVER  ",
                                       0),
              0u)
        << usage_text(TYPING);
}

TEST(ServerLink, RefusedConnectionIsReportedAsAPlainLine) {
    Start start;
    start.command_line.server_address = "127.0.0.1";
    start.command_line.server_port = 1;  // nothing listens there
    StdoutCapture capture;
    Outcome connected = connect_to_controller(start);
    EXPECT_FALSE(connected.goes_on);
    EXPECT_EQ(connected.status, 1);
    EXPECT_FALSE(start.link.is_open());
    EXPECT_EQ(without_timestamps(capture.finish()),
              "[T] [INFO] server: 127.0.0.1 port: 1\n"
              "[T] [INFO] Socket successfully created..\n"
              "connection with the server failed...\n");
}

}  // namespace
