// A program's command line, declared once: a table of its options, each with
// its name, the name of its value, one line of help and the field of the
// program's options struct that it fills. The usage of --help, the check of
// the manual pages and the parse all come from that table:
//
//     struct MonitorOptions { std::optional<std::string> csv; bool live = false; };
//     const CommandLineForm<MonitorOptions> ARM_MONITOR_FORM{
//         "arm_monitor", ARM_DEFAULT_ADDRESS, 8006, {},
//         {named_option("--csv", "FILE", &MonitorOptions::csv, "also write ... (a new file)"),
//          flag_option("--live", &MonitorOptions::live, "show the reports as one view ...")}};
//
// A tool takes [SERVER PORT] after its options (SERVER a dotted-decimal IPv4
// address, never looked up; PORT a plain decimal number from 1 to 65535),
// then its named arguments; without SERVER PORT the compiled-in defaults are
// used. -h or --help as the only argument prints the usage, --version the
// program's name and the project's version (see program_start.h).
//
// An argument that starts with "-" is an option, never a file, an address or
// a port: one the program does not know is refused before any connection is
// tried (a file named "-x" is given as "./-x"). An option's value is the next
// argument, which may not start with "-" either, but for a number ("--rate
// -2" is refused as a bad rate, naming -2). A value is checked and read once,
// by its option's fill, into its field.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "console/exit_status.h"

// How a value reads before its option's own rule takes it.
enum class ValueKind {
    FLAG,    // no value
    NAME,    // a file's name or any text; one that starts with "-" is given as "./-name"
    TEXT,    // a request's text, which cannot begin with "-"
    NUMBER,  // a number, taken with a "-" so as to refuse it by name
};

// Whether an option makes a command line of its own.
enum class Alone {
    NO,
    YES,        // nothing else may be given with it ("--check FILE")
    AND_QUIET,  // the same, and given first it prints its result alone: no banner
};

// What the usage says of an option, and how a refused value is worded:
// "bad rate: VALUE (1 to 10000 Hz)" is refusal "bad rate: ", hint " (1 to 10000 Hz)".
struct OptionWords {
    const char* name = "";     // "--check"
    const char* value = "";    // "FILE", as the usage names it; "" for a flag
    const char* meaning = "";  // one line for the usage ("": not listed)
    ValueKind kind = ValueKind::FLAG;
    Alone alone = Alone::NO;
    const char* refusal = "";
    const char* hint = "";
    // An option that only shapes what standard output carries (--json): it
    // goes with any other, those that stand alone too, and, given anywhere,
    // sends the console to standard error from the banner on.
    bool shapes_output = false;
};

// An option and how its value fills the options: false when the value is refused.
template <typename Options>
struct OptionForm {
    OptionWords words;
    std::function<bool(Options&, const char* value)> fill;
};

// A positional argument every run must give, after SERVER PORT.
struct ArgumentWords {
    const char* name = "";     // "RECORD_FILE"
    const char* meaning = "";  // one line for the usage
};

template <typename Options>
struct ArgumentForm {
    ArgumentWords words;
    std::string Options::*field;
};

// How a program words its refusals. The tools count their positional
// arguments at the end ("err arg input") and refuse an option given twice;
// the simulators take none, refuse a stray argument where it stands and take
// an option's last value.
enum class Wording { TOOL, SIMULATOR };

// What the usage and the parse need of a form, whatever its options struct.
struct FormWords {
    const char* program = "";
    const char* default_address = "";  // "": no [SERVER PORT]
    int32_t default_port = 0;
    Wording wording = Wording::TOOL;
    const char* about = "";         // lines after the usage line, each ending in "\n"
    const char* options_word = "";  // "OPTIONS" for the options that combine; "": each in brackets
    std::vector<ArgumentWords> arguments;
    std::vector<OptionWords> options;
};

template <typename Options>
struct CommandLineForm {
    const char* program = "";
    const char* default_address = "";
    int32_t default_port = 0;
    std::vector<ArgumentForm<Options>> arguments;
    std::vector<OptionForm<Options>> options;
    Wording wording = Wording::TOOL;
    const char* about = "";
    const char* options_word = "";
    // A rule between options, once all are read: "" or the refusal.
    std::string (*check)(const Options& options) = nullptr;
};

// A controller's address and port; "ADDR:PORT" as endpoint_text() writes it.
struct Endpoint {
    std::string address;
    int32_t port = 0;
};
std::string endpoint_text(const Endpoint& endpoint);

// What a command line gave besides the options.
struct CommandLine {
    Outcome outcome;      // ends: --help, or a refusal (255)
    Endpoint server;      // SERVER PORT, or the defaults
    std::string options;  // the options as given, each with its value: "--loop 3 --expect"
};

template <typename Options>
FormWords words_of(const CommandLineForm<Options>& form) {
    FormWords words{form.program,
                    form.default_address,
                    form.default_port,
                    form.wording,
                    form.about,
                    form.options_word,
                    {},
                    {}};
    for (const ArgumentForm<Options>& argument : form.arguments) {
        words.arguments.push_back(argument.words);
    }
    for (const OptionForm<Options>& option : form.options) words.options.push_back(option.words);
    return words;
}

// The usage text of a program: a line for each form (the options that stand
// alone each have one of their own), the lines about it, then a line for
// each argument and each option with a meaning.
std::string usage_text(const FormWords& words);

// Read the arguments: `take` is given each option by its place in the form
// and its value ("" for a flag) as it is met, and refuses a bad value by
// returning false. A wrong count logs "err arg input"; an unknown or
// misplaced option, an option without its value or with a bad one, a bad
// port or address an ERROR line naming it; all then print the usage and end
// with status 255. A lone -h or --help prints the usage and ends with status
// 0. `arguments` receives the named arguments.
CommandLine read_command_line(int argc, const char* const* argv, const FormWords& words,
                              const std::function<bool(size_t option, const char* value)>& take,
                              std::vector<std::string>& arguments);

// Log `why`, print the usage and give the refusal (255).
CommandLine refuse_command_line(const FormWords& words, const std::string& why);

// Read the arguments into `options` as the form's table says.
template <typename Options>
CommandLine parse_command_line(int argc, const char* const* argv,
                               const CommandLineForm<Options>& form, Options& options) {
    const FormWords words = words_of(form);
    std::vector<std::string> arguments;
    CommandLine line = read_command_line(
        argc, argv, words,
        [&form, &options](size_t option, const char* value) {
            return form.options[option].fill(options, value);
        },
        arguments);
    if (!line.outcome.goes_on) return line;
    for (size_t i = 0; i < arguments.size() && i < form.arguments.size(); ++i) {
        options.*(form.arguments[i].field) = arguments[i];
    }
    const std::string wrong = form.check != nullptr ? form.check(options) : "";
    return wrong.empty() ? line : refuse_command_line(words, wrong);
}

// A plain decimal number from `low` to `high`: digits only, no sign, no
// blanks (ports, rates). False, `value` untouched, for anything else.
bool parse_whole_number(const char* text, long low, long high, long& value);

// True for a dotted-decimal IPv4 address ("127.0.0.1"; no names, no shorthand).
bool is_ipv4_address(const char* text);

// The options of a table, by kind.

// "--confirm": sets the field.
template <typename Options>
OptionForm<Options> flag_option(const char* name, bool Options::*field, const char* meaning,
                                Alone alone = Alone::NO) {
    return {{name, "", meaning, ValueKind::FLAG, alone},
            [field](Options& options, const char*) { return (options.*field = true); }};
}

// "--json": sets the field; the answer as JSON on standard output, the
// console on standard error (OptionWords::shapes_output).
template <typename Options>
OptionForm<Options> json_option(bool Options::*field, const char* meaning) {
    OptionForm<Options> option = flag_option("--json", field, meaning);
    option.words.shapes_output = true;
    return option;
}

// "--csv FILE": the value as it stands (ValueKind::NAME or TEXT).
template <typename Options>
OptionForm<Options> named_option(const char* name, const char* value,
                                 std::optional<std::string> Options::*field, const char* meaning,
                                 ValueKind kind = ValueKind::NAME, Alone alone = Alone::NO) {
    return {{name, value, meaning, kind, alone}, [field](Options& options, const char* given) {
                options.*field = given;
                return true;
            }};
}

// "--loop N": a whole number from `low` to `high`, refused as `refusal` VALUE `hint`.
template <typename Options, typename Number>
OptionForm<Options> number_option(const char* name, const char* value, Number Options::*field,
                                  long low, long high, const char* refusal, const char* hint,
                                  const char* meaning) {
    return {{name, value, meaning, ValueKind::NUMBER, Alone::NO, refusal, hint},
            [field, low, high](Options& options, const char* given) {
                long number = 0;
                if (!parse_whole_number(given, low, high, number)) return false;
                options.*field = static_cast<Number>(number);
                return true;
            }};
}

// "--listen ADDR": a dotted-decimal IPv4 address, refused as `refusal` VALUE.
template <typename Options>
OptionForm<Options> address_option(const char* name, const char* value, std::string Options::*field,
                                   const char* refusal, const char* meaning) {
    return {{name, value, meaning, ValueKind::NAME, Alone::NO, refusal},
            [field](Options& options, const char* given) {
                if (!is_ipv4_address(given)) return false;
                options.*field = given;
                return true;
            }};
}

// An option whose value `read` checks and reads into the options.
template <typename Options>
OptionForm<Options> read_option(OptionWords words,
                                std::function<bool(Options&, const char* value)> read) {
    return {words, std::move(read)};
}
