#include "console/log.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>

#include "console/hex_text.h"
#include "console/number_text.h"
#include "console/printable_text.h"
#include "tests/support/capture.h"

namespace {

struct LineCase {
    void (*log)(const char*, ...);
    const char* level;
};

TEST(LogLine, EachLevelHasItsPrefixAndKeepsItsLineEnding) {
    const LineCase cases[] = {{log_info, "INFO"}, {log_error, "ERROR"}, {log_debug, "DEBUG"}};
    for (const LineCase& c : cases) {
        StdoutCapture capture;
        c.log("%s\n", "packing protobuf msg");
        c.log("rev len: %d \n", 4);
        c.log("hex data:%s\r\n\n", "0000");
        c.log("version: %s\n\n", "v1");
        std::string expected = std::string("[T] [") + c.level + "] packing protobuf msg\n" +
                               "[T] [" + c.level + "] rev len: 4 \n" + "[T] [" + c.level +
                               "] hex data:0000\r\n\n" + "[T] [" + c.level + "] version: v1\n\n";
        EXPECT_EQ(without_timestamps(capture.finish()), expected) << c.level;
    }
}

TEST(LogLine, TimestampIsLocalTimeInItsFixedForm) {
    const char* saved = std::getenv("TZ");
    std::string saved_tz = saved ? saved : "";
    setenv("TZ", "XST-9", 1);  // nine hours east of UTC
    tzset();
    StdoutCapture capture;
    std::time_t before = std::time(nullptr);
    log_info("%s\n", "x");
    std::time_t after = std::time(nullptr);
    std::string line = capture.finish();
    if (saved)
        setenv("TZ", saved_tz.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();

    const std::string head = "[", tail = "] [INFO] x\n";
    ASSERT_EQ(line.size(), head.size() + 19 + tail.size()) << line;
    ASSERT_EQ(line.substr(20), tail) << line;
    std::string stamp = line.substr(1, 19);
    std::string expected_before, expected_after;
    for (std::time_t t : {before, after}) {
        std::time_t shifted = t + 9 * 3600;
        std::tm utc = {};
        gmtime_r(&shifted, &utc);
        char text[20];
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
        (t == before ? expected_before : expected_after) = text;
    }
    EXPECT_TRUE(stamp == expected_before || stamp == expected_after) << stamp;
}

TEST(LogLine, LineLongerThanTheLineBufferIsWrittenWhole) {
    std::string long_text(3000, 'a');
    StdoutCapture capture;
    log_info("hex raw: %s\n", long_text.c_str());
    log_info("%s\n", "next");
    std::string out = without_timestamps(capture.finish());
    EXPECT_EQ(out, "[T] [INFO] hex raw: " + long_text + "\n[T] [INFO] next\n");
}

TEST(LogLine, LineOfExactlyTheBufferSizeIsWrittenWhole) {
    // 22 characters of prefix; messages around the 1023/1024 border.
    for (size_t length : {1000u, 1001u, 1002u, 1003u}) {
        std::string text(length, 'b');
        StdoutCapture capture;
        log_info("%s\n", text.c_str());
        EXPECT_EQ(without_timestamps(capture.finish()), "[T] [INFO] " + text + "\n") << length;
    }
}

TEST(HexText, TwoLowerCaseDigitsPerByteWithoutSeparators) {
    const struct {
        std::vector<uint8_t> bytes;
        const char* text;
    } cases[] = {
        {{}, ""},
        {{0x00, 0x1a, 0xff}, "001aff"},
        {{0x0a, 0x00}, "0a00"},
        {{0x02, 0x00, 0x10, 0x01}, "02001001"},
    };
    for (const auto& c : cases) EXPECT_EQ(to_hex_text(c.bytes.data(), c.bytes.size()), c.text);
}

TEST(HexText, ReadingTakesExactlyTwoHexDigitsPerByte) {
    const struct {
        const char* text;
        bool read;
        std::vector<uint8_t> bytes;
        size_t position;  // where a refused slice starts
    } cases[] = {
        {"", true, {}, 0},
        {"0300AAbb", true, {0x03, 0x00, 0xaa, 0xbb}, 8},
        {"0300aabbc", false, {}, 8},
        {"0200-1ff", false, {}, 4},
        {"+f", false, {}, 0},
        {" f", false, {}, 0},
        {"0x", false, {}, 0},
        {"0g", false, {}, 0},
        {"000g", false, {}, 2},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = {0x55};
        size_t position = 99;
        EXPECT_EQ(hex_to_bytes(c.text, bytes, position), c.read) << c.text;
        EXPECT_EQ(bytes, c.bytes) << c.text;
        EXPECT_EQ(position, c.position) << c.text;
    }
}

// A report's values are printed through std::to_chars as "%lf" prints them.
TEST(NumberText, FixedIsWhatPercentLfPrints) {
    const double values[] = {0.0,
                             -0.0,
                             std::nan(""),
                             -std::nan(""),
                             HUGE_VAL,
                             -HUGE_VAL,
                             1e300,
                             -1e-300,
                             std::numeric_limits<double>::denorm_min(),
                             0.5e-6,
                             123456.0000005,
                             9007199254740993.0,
                             -0.0000005,
                             0.57042899999,
                             std::numeric_limits<double>::max(),
                             -std::numeric_limits<double>::max()};
    for (double value : values) {
        char printed[400];
        std::snprintf(printed, sizeof printed, "%lf", value);
        std::string formed;
        append_fixed(formed, value);
        EXPECT_EQ(formed, printed);
    }
    for (long long value : {0LL, -42LL, 4294967295LL, LLONG_MIN, LLONG_MAX}) {
        std::string formed;
        append_integer(formed, value);
        EXPECT_EQ(formed, std::to_string(value));
    }
}

TEST(PrintableText, ControlsAreEscapedAndUtf8KeptAsItIs) {
    const struct {
        std::string text;
        std::string shown;
    } cases[] = {
        {"v1.0.2 (build 7)", "v1.0.2 (build 7)"},
        {"固件版本 电机正转", "固件版本 电机正转"},
        {"\x1b[2J\x1b[H", "\\x1b[2J\\x1b[H"},
        {"a\tb\r\nc\x7f", "a\\x09b\\x0d\\x0ac\\x7f"},
        {std::string("nul\0byte", 8), "nul\\x00byte"},
        {"\xc2\x9b"
         "2J \xc2\x85",
         "\\xc2\\x9b2J \\xc2\\x85"},  // C1, UTF-8 encoded
        {"\x9b"
         "2J",
         "\\x9b2J"},  // C1, a raw byte
        {"\xc2\xa0\xc3\xa9\xf0\x9f\x99\x82", "\xc2\xa0\xc3\xa9\xf0\x9f\x99\x82"},
        {"\xe5\x9b", "\\xe5\\x9b"},                             // a character cut short
        {"\xc0\xaf\xed\xa0\x80", "\\xc0\\xaf\\xed\\xa0\\x80"},  // overlong, surrogate
        {"\xf4\x90\x80\x80\xff", "\\xf4\\x90\\x80\\x80\\xff"},  // beyond U+10FFFF
        {"back\\slash", "back\\slash"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(printable_text(c.text.data(), c.text.size()), c.shown) << c.shown;
    }
}

}  // namespace
