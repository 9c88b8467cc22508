#include "console/menu.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/capture.h"

namespace {

struct Record {
    int32_t picked = -1;
    int32_t number = 0;
    std::vector<std::string> trail;
};

Menu<Record> leaf(const std::string& title, int32_t value) {
    return Menu<Record>(title, [value](Record& r) { r.picked = value; });
}

const Menu<Record> three("三项", [](Record& r) { r.trail.push_back("three"); },
                         {leaf("甲", 10), leaf("乙", 11), leaf("丙", 12)});
const Menu<Record> root("选择操作:\n", std::vector<Menu<Record>>{three, leaf("丁", 20)});

struct Walk {
    std::string output;
    Record record;
    bool ended;
    std::string rest;  // what the walk left in the input
};

template <typename F>
Walk walk(const std::string& input, F&& body) {
    std::istringstream in(input);
    use_console_input(in);
    Walk result;
    StdoutCapture capture;
    body(result.record);
    result.output = without_timestamps(capture.finish());
    result.ended = input_ended();
    std::getline(in, result.rest, '\0');
    return result;
}

TEST(Menu, ListsEntriesFromZeroRunsActionThenReadsTheChoice) {
    Walk w = walk("1\n", [](Record& r) { three.run(r); });
    EXPECT_EQ(w.output,
              "三项\n0. 甲\n1. 乙\n2. 丙\n"
              "[T] [DEBUG] call action: 三项\n"
              "[T] [INFO] select: 1. 乙\n"
              "乙\n[T] [DEBUG] call action: 乙\n");
    EXPECT_EQ(w.record.picked, 11);
    EXPECT_EQ(w.record.trail, std::vector<std::string>{"three"});
    EXPECT_FALSE(w.ended);
}

TEST(Menu, TitleWithItsOwnLineBreakShowsAnEmptyLine) {
    Walk w = walk("1\n", [](Record& r) { root.run(r); });
    EXPECT_EQ(w.output,
              "选择操作:\n\n0. 三项\n1. 丁\n"
              "[T] [INFO] select: 1. 丁\n"
              "丁\n[T] [DEBUG] call action: 丁\n");
    EXPECT_EQ(w.record.picked, 20);
}

TEST(Menu, InvalidChoicesEndTheWalkWithoutRunningAnEntry) {
    const char* inputs[] = {"3\n", "-1\n", "abc\n", "99999999999\n"};
    for (const char* input : inputs) {
        Walk w = walk(input, [](Record& r) { three.run(r); });
        EXPECT_EQ(w.output,
                  "三项\n0. 甲\n1. 乙\n2. 丙\n"
                  "[T] [DEBUG] call action: 三项\n"
                  "[T] [ERROR] 无效的选择\n")
            << input;
        EXPECT_EQ(w.record.picked, -1) << input;
        EXPECT_FALSE(w.ended) << input;
    }
}

TEST(Menu, NonNumericChoiceDiscardsTheRestOfItsLine) {
    Walk w = walk("x 1\n2\n", [](Record& r) {
        three.run(r);
        three.run(r);
    });
    EXPECT_EQ(w.record.picked, 12);
    EXPECT_NE(w.output.find("[T] [ERROR] 无效的选择\n三项\n"), std::string::npos) << w.output;
}

TEST(Menu, TypedAheadNumbersAnswerTheNextReads) {
    Walk w = walk("0 2\n", [](Record& r) { root.run(r); });
    EXPECT_EQ(w.record.picked, 12);
    EXPECT_NE(w.output.find("select: 0. 三项\n"), std::string::npos);
    EXPECT_NE(w.output.find("select: 2. 丙\n"), std::string::npos);
}

TEST(Menu, OutOfRangeNumberLeavesTheRestOfTheLineInTheInput) {
    Walk w = walk("7 5\n", [](Record& r) { three.run(r); });
    EXPECT_EQ(w.rest, " 5\n");
}

TEST(Menu, EntryWithoutChildrenReadsNoChoice) {
    Menu<Record> ask("设置", [](Record& r) { r.number = read_number<int32_t>("数值:"); });
    Walk w = walk("42\n9\n", [&](Record& r) { ask.run(r); });
    EXPECT_EQ(w.output, "设置\n[T] [DEBUG] call action: 设置\n数值:");
    EXPECT_EQ(w.record.number, 42);
    EXPECT_EQ(w.rest, "\n9\n");
}

TEST(Menu, EndOfInputAtAChoiceEndsTheWalkAndEveryLaterRead) {
    Walk w = walk("", [](Record& r) {
        three.run(r);
        three.run(r);
        r.number = read_number<int32_t>("数值:");
    });
    EXPECT_EQ(w.output, "三项\n0. 甲\n1. 乙\n2. 丙\n[T] [DEBUG] call action: 三项\n");
    EXPECT_TRUE(w.ended);
    EXPECT_EQ(w.record.picked, -1);
}

const std::vector<Option<int32_t>> SWITCH = {{"开启", 1}, {"关闭", 2}};

TEST(SelectOption, ReturnsTheChosenValueAndLogsTheChoice) {
    int32_t value = 0;
    Walk w = walk("1\n", [&](Record&) { value = select_option(SWITCH); });
    EXPECT_EQ(value, 2);
    EXPECT_EQ(w.output, "0. 开启\n1. 关闭\n[T] [INFO] select: 1. 关闭\n");
}

TEST(SelectOption, InvalidEntryShowsTheListAgainAndAsksAgain) {
    const char* inputs[] = {"2\n0\n", "-1\n0\n", "abc\n0\n", "9 0\n"};
    for (const char* input : inputs) {
        int32_t value = -7;
        Walk w = walk(input, [&](Record&) { value = select_option(SWITCH); });
        EXPECT_EQ(value, 1) << input;
        EXPECT_EQ(w.output,
                  "0. 开启\n1. 关闭\n[T] [ERROR] 无效的选择\n"
                  "0. 开启\n1. 关闭\n[T] [INFO] select: 0. 开启\n")
            << input;
    }
}

TEST(SelectOption, TruthValues) {
    const std::vector<Option<bool>> enable = {{"失能", false}, {"使能", true}};
    bool value = false;
    walk("1\n", [&](Record&) { value = select_option(enable); });
    EXPECT_TRUE(value);
}

TEST(SelectOption, EndOfInputReturnsAndReportsTheEnd) {
    int32_t value = -7;
    Walk w = walk("5\n", [&](Record&) { value = select_option(SWITCH); });
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(w.ended);
    EXPECT_EQ(w.output, "0. 开启\n1. 关闭\n[T] [ERROR] 无效的选择\n0. 开启\n1. 关闭\n");
}

template <typename T>
struct NumberCase {
    const char* input;
    T value;
    int prompts;  // how often the prompt was shown
    const char* rest;
};

template <typename T>
void check_numbers(const std::vector<NumberCase<T>>& cases) {
    for (const auto& c : cases) {
        T value{};
        Walk w = walk(c.input, [&](Record&) { value = read_number<T>("输入:"); });
        EXPECT_EQ(value, c.value) << c.input;
        std::string expected = "输入:";
        for (int i = 1; i < c.prompts; ++i) {
            expected += "输入:[T] [ERROR] Invalid input. Please try again.\n";
        }
        EXPECT_EQ(w.output, expected) << c.input;
        EXPECT_EQ(w.rest, c.rest) << c.input;
        EXPECT_FALSE(w.ended) << c.input;
    }
}

TEST(ReadNumber, SignedIntegerRetriesUntilANumberArrives) {
    check_numbers<int32_t>({
        {"12\n", 12, 1, "\n"},
        {"abc\n12\n", 12, 2, "\n"},
        {"7x\n", 7, 1, "x\n"},
        {"  \n\n -5\n", -5, 1, "\n"},
        {"99999999999\nx\n2147483647\n", 2147483647, 3, "\n"},
        {"-2147483649\n-2147483648\n", -2147483647 - 1, 2, "\n"},
    });
}

TEST(ReadNumber, UnsignedIntegerRetriesUntilANumberArrives) {
    check_numbers<uint32_t>({
        {"255\n", 255u, 1, "\n"},
        {"rgb\n4294967295\n", 4294967295u, 2, "\n"},
        {"4294967296\n1000\n", 1000u, 2, "\n"},
    });
}

TEST(ReadNumber, DoubleRetriesUntilANumberArrives) {
    check_numbers<double>({
        {"1.5\n", 1.5, 1, "\n"},
        {"angle\n-0.25\n", -0.25, 2, "\n"},
        {"3 4\n", 3.0, 1, " 4\n"},
    });
}

TEST(ReadNumber, EndOfInputReturnsZeroAndReportsTheEnd) {
    const struct {
        const char* input;
        const char* output;
    } cases[] = {
        {"", "输入:"},
        {"  \n", "输入:"},
        {"abc", "输入:"},
        {"abc\n", "输入:输入:[T] [ERROR] Invalid input. Please try again.\n"},
    };
    for (const auto& c : cases) {
        int32_t value = -1;
        Walk w = walk(c.input, [&](Record&) { value = read_number<int32_t>("输入:"); });
        EXPECT_EQ(value, 0) << c.input;
        EXPECT_TRUE(w.ended) << c.input;
        EXPECT_EQ(w.output, c.output) << c.input;
    }
}

}  // namespace
