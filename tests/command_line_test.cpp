#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "arm/arm_console.h"
#include "arm/arm_monitor.h"
#include "board/board_console.h"
#include "board/board_recorder.h"
#include "one_shot/typed_request.h"
#include "program/connection.h"
#include "program/program_start.h"
#include "replay/replay_options.h"
#include "sim/arm_sim.h"
#include "sim/board_sim.h"
#include "tests/support/capture.h"

namespace {

struct NoOptions {};
struct FileOptions {
    std::optional<std::string> check;
    std::string record_file;
};

const CommandLineForm<NoOptions> CONSOLE{"board_console", "127.0.0.9", 8080, {}, {}};
const CommandLineForm<FileOptions> REPLAY{
    "board_replay",
    "127.0.0.9",
    8080,
    {{{"RECORD_FILE", "record file written by board_recorder"}, &FileOptions::record_file}},
    {}};
const CommandLineForm<FileOptions> CHECKING{
    "board_replay",
    "127.0.0.9",
    8080,
    {{{"RECORD_FILE", "record file written by board_recorder"}, &FileOptions::record_file}},
    {named_option("--check", "RECORD_FILE", &FileOptions::check, "check it", ValueKind::NAME,
                  Alone::YES)}};
const CommandLineForm<ConsoleOptions> TYPING = console_form("arm_console", "127.0.0.9", 8007, {});

template <typename Options>
struct Parsed {
    CommandLine line;
    Options options;
    std::string output;
};

template <typename Options>
Parsed<Options> parse(const CommandLineForm<Options>& form, std::vector<const char*> args) {
    args.insert(args.begin(), form.program);
    StdoutCapture capture;
    Parsed<Options> p;
    p.line = parse_command_line(static_cast<int>(args.size()), args.data(), form, p.options);
    p.output = without_timestamps(capture.finish());
    return p;
}

template <typename Options>
std::string usage(const CommandLineForm<Options>& form) {
    return usage_text(words_of(form));
}

TEST(CommandLine, DefaultsAndExplicitTarget) {
    auto none = parse(CONSOLE, {});
    EXPECT_TRUE(none.line.outcome.goes_on);
    EXPECT_EQ(endpoint_text(none.line.server), "127.0.0.9:8080");
    EXPECT_EQ(none.output, "");

    auto both = parse(CONSOLE, {"127.0.0.1", "65535"});
    EXPECT_TRUE(both.line.outcome.goes_on);
    EXPECT_EQ(endpoint_text(both.line.server), "127.0.0.1:65535");

    auto file = parse(REPLAY, {"rec.yaml"});
    EXPECT_TRUE(file.line.outcome.goes_on);
    EXPECT_EQ(file.line.server.port, 8080);
    EXPECT_EQ(file.options.record_file, "rec.yaml");

    auto three = parse(REPLAY, {"127.0.0.1", "1", "./-h"});
    EXPECT_TRUE(three.line.outcome.goes_on);
    EXPECT_EQ(three.line.server.port, 1);
    EXPECT_EQ(three.options.record_file, "./-h");
}

TEST(CommandLine, WrongCountIsRefusedWithUsage) {
    for (const auto& args :
         std::vector<std::vector<const char*>>{{"127.0.0.1"}, {"127.0.0.1", "1", "x"}}) {
        auto p = parse(CONSOLE, args);
        EXPECT_FALSE(p.line.outcome.goes_on);
        EXPECT_EQ(p.line.outcome.status, 255);
        EXPECT_EQ(p.output, "[T] [ERROR] err arg input\n" + usage(CONSOLE));
    }
    for (const auto& args : std::vector<std::vector<const char*>>{{}, {"a", "b"}}) {
        auto p = parse(REPLAY, args);
        EXPECT_EQ(p.line.outcome.status, 255);
        EXPECT_EQ(p.output, "[T] [ERROR] err arg input\n" + usage(REPLAY));
    }
}

TEST(CommandLine, BadPortIsNamedAndRefused) {
    for (const char* port : {"70000", "abc", "80x", "0", "", " 80", "+80", "123456"}) {
        auto p = parse(CONSOLE, {"127.0.0.1", port});
        EXPECT_FALSE(p.line.outcome.goes_on) << port;
        EXPECT_EQ(p.line.outcome.status, 255) << port;
        EXPECT_EQ(p.output, std::string("[T] [ERROR] bad port: ") + port +
                                " (a decimal number from 1 to 65535 is needed)\n" + usage(CONSOLE));
    }
}

TEST(CommandLine, BadAddressIsNamedAndRefused) {
    for (const char* address : {"localhost", "1.2.3", "256.1.1.1", "1.2.3.4.5", ""}) {
        auto p = parse(REPLAY, {address, "8080", "rec.yaml"});
        EXPECT_EQ(p.line.outcome.status, 255) << address;
        EXPECT_EQ(p.output, std::string("[T] [ERROR] bad server address: ") + address +
                                " (a dotted-decimal IPv4 address is needed)\n" + usage(REPLAY));
    }
}

template <typename Options>
void expect_refused(const CommandLineForm<Options>& form, std::vector<const char*> args,
                    const std::string& error) {
    auto p = parse(form, args);
    EXPECT_FALSE(p.line.outcome.goes_on) << error;
    EXPECT_EQ(p.line.outcome.status, 255) << error;
    EXPECT_EQ(p.output, "[T] [ERROR] " + error + "\n" + usage(form));
}

TEST(CommandLine, ArgumentsStartingWithADashAreNeverFilesOrAddresses) {
    expect_refused(CONSOLE, {"--version-typo"}, "unknown option: --version-typo");
    expect_refused(CONSOLE, {"127.0.0.1", "-1"}, "unknown option: -1");
    expect_refused(CONSOLE, {"-", "1"}, "unknown option: -");
    expect_refused(REPLAY, {"127.0.0.1", "1", "-h"}, "-h takes nothing else");
    expect_refused(REPLAY, {"--check"}, "unknown option: --check");
    const char* needs_file =
        "--check needs a RECORD_FILE (a name that starts with - is given as ./-name)";
    expect_refused(CHECKING, {"--check"}, needs_file);
    expect_refused(CHECKING, {"--check", "-r.yaml"}, needs_file);
    expect_refused(CHECKING, {"--check", "a.yaml", "b.yaml"},
                   "--check RECORD_FILE takes nothing else");
    expect_refused(CHECKING, {"127.0.0.1", "1", "--check", "a.yaml"},
                   "--check RECORD_FILE takes nothing else");
    expect_refused(CHECKING, {"--check", "a", "--check", "b"}, "--check given twice");
    expect_refused(TYPING, {"--encode", "-"}, "--encode needs a TEXT (a text cannot begin with -)");
    expect_refused(TYPING, {"--request", "-x"},
                   "--request needs a TEXT (a text cannot begin with -)");

    auto check = parse(CHECKING, {"--check", "./-r.yaml"});
    EXPECT_TRUE(check.line.outcome.goes_on);
    EXPECT_EQ(check.options.check.value_or(""), "./-r.yaml");
    EXPECT_EQ(check.output, "");
    auto replay = parse(CHECKING, {"r.yaml"});
    EXPECT_TRUE(replay.line.outcome.goes_on);
    EXPECT_FALSE(replay.options.check.has_value());
    EXPECT_NE(usage(CHECKING).find("\n  --check RECORD_FILE  check it\n"), std::string::npos);
}

TEST(CommandLine, HelpPrintsUsageAndEndsWell) {
    for (const char* flag : {"-h", "--help"}) {
        auto console = parse(CONSOLE, {flag});
        EXPECT_FALSE(console.line.outcome.goes_on);
        EXPECT_EQ(console.line.outcome.status, 0);
        EXPECT_EQ(console.output, usage(CONSOLE));
        auto replay = parse(REPLAY, {flag});
        EXPECT_EQ(replay.line.outcome.status, 0);
        EXPECT_EQ(replay.output, usage(REPLAY));
    }
    EXPECT_EQ(usage(REPLAY).rfind("usage: board_replay [SERVER PORT] RECORD_FILE\n", 0), 0u);
}

// The usage names every form: options in brackets, and a line for each that stands alone.
TEST(CommandLine, UsageShowsEveryForm) {
    EXPECT_EQ(usage(TYPING).rfind("usage: arm_console [--request TEXT] [--fail-on-error] [--json] "
                                  "[--timeout SECONDS] [SERVER PORT]\n"
                                  "       arm_console --encode TEXT\n"
                                  "       arm_console --describe\n  SERVER  ",
                                  0),
              0u)
        << usage(TYPING);
}

// board_replay's options, each read once into its field.
TEST(ReplayOptions, EachValueIsReadIntoItsField) {
    auto plain = parse(BOARD_REPLAY_FORM, {"r.yaml"});
    EXPECT_TRUE(plain.line.outcome.goes_on);
    EXPECT_EQ(plain.options.record_file, "r.yaml");
    EXPECT_EQ(plain.options.rate.factor, 1);
    EXPECT_FALSE(plain.options.rate.max || plain.options.looped || plain.options.ranged ||
                 plain.options.answers || plain.options.expect || plain.options.confirm);

    auto all = parse(BOARD_REPLAY_FORM, {"--rate", ".5", "--loop", "0", "--steps", "2-", "--expect",
                                         "--confirm", "127.0.0.1", "9", "r.yaml"});
    ASSERT_TRUE(all.line.outcome.goes_on) << all.output;
    EXPECT_EQ(all.options.rate.factor, 0.5);
    EXPECT_TRUE(all.options.looped);
    EXPECT_EQ(all.options.passes, 0);
    EXPECT_TRUE(all.options.ranged);
    EXPECT_EQ(all.options.first, 2u);
    EXPECT_EQ(all.options.last, static_cast<size_t>(-1));
    EXPECT_TRUE(all.options.expect && all.options.answers && all.options.confirm);

    const struct {
        std::vector<const char*> args;
        double factor;
        bool max;
        size_t first, last;
    } read[] = {
        {{"--rate", "max", "r"}, 1, true, 1, static_cast<size_t>(-1)},
        {{"--rate", "2", "r"}, 2, false, 1, static_cast<size_t>(-1)},
        {{"--rate", "10.25", "--steps", "3", "r"}, 10.25, false, 3, 3},
        {{"--steps", "1-7", "r"}, 1, false, 1, 7},
    };
    for (const auto& row : read) {
        auto p = parse(BOARD_REPLAY_FORM, row.args);
        ASSERT_TRUE(p.line.outcome.goes_on) << p.output;
        EXPECT_EQ(p.options.rate.factor, row.factor);
        EXPECT_EQ(p.options.rate.max, row.max);
        EXPECT_EQ(p.options.first, row.first);
        EXPECT_EQ(p.options.last, row.last);
    }
}

TEST(ReplayOptions, AValueThatIsNotOneIsRefusedByName) {
    const char* rate_hint = " (a positive number such as 2 or 0.5, or max)";
    const char* steps_hint = " (A, A- or A-B, with 1 <= A <= B)";
    const struct {
        const char* option;
        const char* value;
        std::string error;
    } refused[] = {
        {"--rate", "0", std::string("bad rate: 0") + rate_hint},
        {"--rate", "-2", std::string("bad rate: -2") + rate_hint},
        {"--rate", "1e3", std::string("bad rate: 1e3") + rate_hint},
        {"--rate", ".", std::string("bad rate: .") + rate_hint},
        {"--rate", "inf", std::string("bad rate: inf") + rate_hint},
        {"--loop", "-1", "bad loop count: -1 (a whole number of passes; 0 plays until Ctrl-C)"},
        {"--loop", "1.5", "bad loop count: 1.5 (a whole number of passes; 0 plays until Ctrl-C)"},
        {"--steps", "0", std::string("bad steps: 0") + steps_hint},
        {"--steps", "3-2", std::string("bad steps: 3-2") + steps_hint},
        {"--steps", "-3", std::string("bad steps: -3") + steps_hint},
        {"--steps", "2-x", std::string("bad steps: 2-x") + steps_hint},
    };
    for (const auto& row : refused) {
        expect_refused(BOARD_REPLAY_FORM, {row.option, row.value, "r.yaml"}, row.error);
    }
}

// arm_monitor --serve [ADDR:]PORT: the loopback address unless another is
// named, any free port with 0; anything else refused by name.
TEST(ServeOption, TakesAPortAndAnAddressOnlyWhenNamed) {
    const struct {
        const char* value;
        const char* address;
        int32_t port;
    } read[] = {{"8765", "127.0.0.1", 8765},
                {"0", "127.0.0.1", 0},
                {"0.0.0.0:8765", "0.0.0.0", 8765},
                {"192.168.1.5:65535", "192.168.1.5", 65535}};
    for (const auto& row : read) {
        auto p = parse(ARM_MONITOR_FORM, {"--serve", row.value});
        ASSERT_TRUE(p.line.outcome.goes_on) << p.output;
        ASSERT_TRUE(p.options.serve.has_value()) << row.value;
        EXPECT_EQ(p.options.serve->address, row.address);
        EXPECT_EQ(p.options.serve->port, row.port);
    }
    for (const char* value : {"65536", "localhost:8765", "1.2.3:80", "127.0.0.1:", ":8765",
                              "127.0.0.1:+80", "127.0.0.1:80:80", "8765x", "[::1]:8765"}) {
        expect_refused(
            ARM_MONITOR_FORM, {"--serve", value},
            std::string("bad --serve address: ") + value + " ([ADDR:]PORT, PORT 0 to 65535)");
    }
}

// Each manual page names every option, value and argument of its program's
// table, and the version that --version gives.
TEST(ManualPages, NameEveryOptionOfTheirProgramsTable) {
    const FormWords forms[] = {words_of(BOARD_CONSOLE.form), words_of(BOARD_RECORDER_FORM),
                               words_of(BOARD_REPLAY_FORM),  words_of(ARM_CONSOLE.form),
                               words_of(ARM_MONITOR_FORM),   words_of(BOARD_SIM_FORM),
                               words_of(ARM_SIM_FORM)};
    std::string version = version_text();
    version = version.substr(0, version.find(' '));
    for (const FormWords& form : forms) {
        std::ifstream file(std::string(VOSTREL_SOURCE_DIR) + "/man/" + form.program + ".1");
        std::stringstream page;
        page << file.rdbuf();
        std::string text = page.str();
        for (size_t at = text.find("\\-"); at != std::string::npos; at = text.find("\\-", at)) {
            text.erase(at, 1);  // roff's \- is a plain -
        }
        ASSERT_FALSE(text.empty()) << form.program;
        std::vector<std::string> names = {"--version"};
        if (form.default_address[0] != '\0') names.insert(names.end(), {"SERVER", "PORT"});
        for (const ArgumentWords& argument : form.arguments) names.push_back(argument.name);
        for (const OptionWords& option : form.options) {
            names.push_back(option.name);
            if (option.value[0] != '\0') names.push_back(option.value);
        }
        for (const std::string& name : names) {
            EXPECT_NE(text.find(name), std::string::npos) << form.program << " lacks " << name;
        }
        EXPECT_NE(text.find("\"Vostrel " + version + "\""), std::string::npos) << form.program;
    }
}

TEST(ServerLink, RefusedConnectionIsReportedAsAPlainLine) {
    Start start;
    start.server = {"127.0.0.1", 1};  // nothing listens there
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
