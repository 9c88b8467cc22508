// The record file: its text, reading it back, and saving it safely.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "record/record_load.h"
#include "record/record_save.h"
#include "tests/support/capture.h"
#include "tests/support/directory.h"

namespace {

// What loading gives, in one value for the tables.
struct Loaded {
    bool ok = false;
    std::vector<Action> actions;
    std::string error;
};

Loaded parsed(const std::string& text) {
    Loaded loaded;
    loaded.ok = parse_actions(text, loaded.actions, loaded.error);
    return loaded;
}

Loaded loaded_from(const std::string& path) {
    Loaded loaded;
    loaded.ok = load_actions(path, loaded.actions, loaded.error);
    return loaded;
}

Action action(const std::string& hex, int32_t delay) {
    Action a;
    std::string bytes = bytes_of(hex);
    a.data.assign(bytes.begin(), bytes.end());
    a.delay = delay;
    return a;
}

TEST(RecordText, SequenceOfMapsWithHexDataAndDelay) {
    std::vector<Action> actions = {action("03 00 aa bb cc", 2), action("02 00 a1 b2", 0),
                                   action("00 00", -1)};
    EXPECT_EQ(record_text(actions),
              "- hexData: 0300aabbcc\n  delay: 2\n"
              "- hexData: 0200a1b2\n  delay: 0\n"
              "- hexData: 0000\n  delay: -1");
    // An empty frame is quoted (bare, it would read as null); no entry at all is "[]".
    EXPECT_EQ(record_text({action("", 0)}), "- hexData: \"\"\n  delay: 0");
    EXPECT_EQ(record_text({}), "[]");
}

TEST(RecordText, EveryRecordingReadsBackEqual) {
    std::vector<std::vector<Action>> recordings = {
        {action("02 00 10 01", -1)},
        {action("00 00", 0), action("10 00 b2 01 00 ba 01 0a 12 08 0a 04 08 01 10 1e 10 02", 3),
         action("02 00 10 63", -2147483647 - 1)},
        {action("", 0), action("1e 10", 2147483647), action("00 01 00", -1)},
    };
    Action largest;
    for (int i = 0; i < 1024; ++i) largest.data.push_back(static_cast<uint8_t>(i * 7));
    largest.delay = -1;
    recordings.push_back({largest});
    recordings.push_back({});
    for (const auto& actions : recordings) {
        if (actions.empty()) continue;
        std::string entries;  // what an unfinished recording holds
        for (const Action& a : actions) entries += entry_text(a) + "\n";
        EXPECT_EQ(record_text(actions) + "\n", entries);
        Loaded loaded = parsed(record_text(actions));
        ASSERT_TRUE(loaded.ok) << loaded.error;
        ASSERT_EQ(loaded.actions.size(), actions.size());
        for (size_t i = 0; i < actions.size(); ++i) {
            EXPECT_EQ(loaded.actions[i].data, actions[i].data);
            EXPECT_EQ(loaded.actions[i].delay, actions[i].delay);
        }
    }
}

TEST(RecordReading, HandEditedFilesThatLoad) {
    const struct {
        const char* name;
        const char* text;
        std::vector<Action> expected;
    } cases[] = {
        {"upper-case digits", "- hexData: 0300AABBCC\n  delay: 1\n", {action("03 00 aa bb cc", 1)}},
        {"extra keys",
         "- note: lights\n  hexData: 0000\n  delay: 4\n  by: me\n",
         {action("00 00", 4)}},
        {"keys reversed", "- delay: -1\n  hexData: 02001001\n", {action("02 00 10 01", -1)}},
        {"flow style",
         "[{hexData: '0000', delay: 0}, {delay: -3, hexData: \"0100ff\"}]",
         {action("00 00", 0), action("01 00 ff", -3)}},
        {"quoted empty hex", "- hexData: ''\n  delay: 0\n", {action("", 0)}},
        {"empty file", "", {}},
        {"only a comment", "# nothing recorded\n", {}},
        {"null document", "~\n", {}},
        {"scalar document", "hello\n", {}},
        {"empty sequence", "[]\n", {}},
        {"second document ignored",
         "- hexData: 0000\n  delay: 0\n---\n- bad\n",
         {action("00 00", 0)}},
    };
    for (const auto& c : cases) {
        Loaded loaded = parsed(c.text);
        ASSERT_TRUE(loaded.ok) << c.name << ": " << loaded.error;
        ASSERT_EQ(loaded.actions.size(), c.expected.size()) << c.name;
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(loaded.actions[i].data, c.expected[i].data) << c.name;
            EXPECT_EQ(loaded.actions[i].delay, c.expected[i].delay) << c.name;
        }
    }
}

TEST(RecordReading, NearMissesOfTheRecordersFormGiveTheirReasons) {
    EXPECT_EQ(parsed("- hexData: 0000\n  delay: 1.5\n").error,
              "line 2: entry 1: \"delay\" is not a 32-bit integer");
    EXPECT_EQ(parsed("- hexData: 0000\n  delay: 2147483648\n").error,
              "line 2: entry 1: \"delay\" is not a 32-bit integer");
    EXPECT_TRUE(parsed("- hexData: 0200AB\n  delay: 007\n").ok);
}

TEST(RecordReading, BadFilesAreRefusedWithTheReason) {
    std::string too_long = "- hexData: " + std::string(2 * 65536, 'a') + "\n  delay: 0\n";
    std::string alias_bomb = "- hexData: 0000\n  delay: 0\n- hexData: &f " +
                             std::string(2 * 65535, 'f') + "\n  delay: 0\n";
    for (int i = 0; i < 100; ++i) alias_bomb += "- hexData: *f\n  delay: 0\n";
    std::string many_keys = "- &m {";
    for (int i = 0; i < 100000; ++i) many_keys += "k" + std::to_string(i) + ": 0, ";
    many_keys += "hexData: 00, delay: 0}\n- *m\n- *m\n- *m\n";
    const struct {
        const char* name;
        std::string text;
        const char* error;
    } cases[] = {
        {"top-level map", "hexData: 0000\ndelay: 0\n",
         "line 1: the top level is a map, not a sequence"},
        {"slice g0", "- hexData: 00g0\n  delay: 1\n",
         "line 1: entry 1: \"hexData\" is not two hex digits at position 2"},
        {"slice 0g", "- hexData: 02000g\n  delay: 1\n",
         "line 1: entry 1: \"hexData\" is not two hex digits at position 4"},
        {"a lone last digit", "- hexData: 0300aabbc\n  delay: 1\n",
         "line 1: entry 1: \"hexData\" is not two hex digits at position 8"},
        {"a minus sign", "- hexData: 0000\n  delay: 0\n- hexData: 0200-1ff\n  delay: 1\n",
         "line 3: entry 2: \"hexData\" is not two hex digits at position 4"},
        {"a plus sign", "- hexData: 00+f\n  delay: 1\n",
         "line 1: entry 1: \"hexData\" is not two hex digits at position 2"},
        {"a blank", "- hexData: '00 f'\n  delay: 1\n",
         "line 1: entry 1: \"hexData\" is not two hex digits at position 2"},
        {"a 0x", "- hexData: 0x00\n  delay: 1\n",
         "line 1: entry 1: \"hexData\" is not two hex digits at position 0"},
        {"hex null", "- hexData:\n  delay: 1\n", "line 1: entry 1: \"hexData\" has no value"},
        {"hex text null", "- hexData: null\n  delay: 1\n",
         "line 1: entry 1: \"hexData\" has no value"},
        {"hex is a list", "- hexData: [00]\n  delay: 1\n",
         "line 1: entry 1: \"hexData\" is not a text"},
        {"delay 1.5", "- hexData: 0000\n  delay: 0\n- hexData: 0000\n  delay: 1.5\n",
         "line 4: entry 2: \"delay\" is not a 32-bit integer"},
        {"delay as text", "- hexData: 0000\n  delay: soon\n",
         "line 2: entry 1: \"delay\" is not a 32-bit integer"},
        {"delay too large", "- hexData: 0000\n  delay: 2147483648\n",
         "line 2: entry 1: \"delay\" is not a 32-bit integer"},
        {"delay missing", "- hexData: 0000\n", "line 1: entry 1 lacks \"delay\""},
        {"hexData missing", "- delay: 1\n", "line 1: entry 1 lacks \"hexData\""},
        {"element is a scalar", "- hexData: 0000\n  delay: 0\n- 0000\n",
         "line 3: entry 2 is not a map"},
        {"element is null", "-\n", "entry 1 is not a map"},
        {"element is a sequence", "- [0000, 1]\n", "line 1: entry 1 is not a map"},
        {"frame over 65535 bytes", too_long,
         "line 1: entry 1: frame of 65536 bytes is longer than 65535"},
        {"aliases repeating a 64 KiB frame", alias_bomb,
         "line 131: entry 66: the frames add up to more than 4 MiB (aliases repeating a frame?)"},
        {"aliases repeating a map of many keys", many_keys,
         "line 1: entry 3: the entries add up to more than 300000 keys (aliases repeating a map?)"},
    };
    for (const auto& c : cases) {
        Loaded loaded = parsed(c.text);
        EXPECT_FALSE(loaded.ok) << c.name;
        EXPECT_EQ(loaded.error, c.error) << c.name;
        EXPECT_TRUE(loaded.actions.empty()) << c.name;
    }
}

TEST(RecordReading, TextThatIsNotYamlNamesTheLine) {
    Loaded loaded = parsed("- hexData: 0000\n  delay: 0\n- [unclosed\n");
    EXPECT_FALSE(loaded.ok);
    EXPECT_EQ(loaded.error.rfind("line ", 0), 0u) << loaded.error;
    EXPECT_NE(loaded.error.find("not valid YAML"), std::string::npos) << loaded.error;
}

TEST(RecordReading, DeepNestingIsRefusedNotACrash) {
    for (const std::string& text : {std::string(100000, '['), std::string(50000, '-') + "\n", [] {
                                        std::string t;
                                        for (int i = 0; i < 20000; ++i) t += "- ";
                                        return t + "x\n";
                                    }()}) {
        Loaded loaded = parsed(text);
        EXPECT_FALSE(loaded.ok && !loaded.actions.empty());
    }
}

TEST(RecordReading, TextWithTooManyNodesIsRefusedBeforeParsing) {
    std::string nodes;
    while (nodes.size() < 3 * MAX_YAML_MARKS) nodes += "-\n";
    EXPECT_EQ(parsed(nodes).error,
              "too many YAML nodes to be a recording (more than 300000 structure marks)");
    std::vector<Action> many(MAX_YAML_MARKS / 6 - 1, action("02 00 10 01", 0));
    Loaded loaded = parsed(record_text(many));
    EXPECT_TRUE(loaded.ok) << loaded.error;
    EXPECT_EQ(loaded.actions.size(), many.size());
}

TEST(RecordLimits, WhatTheRecorderKeepsTheReplayerLoads) {
    Action largest;
    largest.data.assign(1024, 0xab);
    largest.delay = 2147483647;
    const struct {
        const char* name;
        Action entry;
    } rows[] = {{"smallest frames", action("00 00", 0)},
                {"recorder frames", action("0e 00 b2 01 00 ba 01 08 12 06 0a 04 08 01 10 1e", 5)},
                {"largest frames", largest}};
    for (const auto& row : rows) {
        // The recorder counts every entry; all of them are alike here.
        RecordSize one;
        add_entry(one, row.entry);
        RecordSize size;
        size_t count = 0;
        while (!recording_full(size)) {
            size.bytes += one.bytes;
            size.marks += one.marks;
            ++count;
        }
        // The record file's text, as the unfinished recording holds it entry by entry.
        std::string text;
        const std::string entry = entry_text(row.entry) + "\n";
        text.reserve(count * entry.size());
        for (size_t i = 0; i < count; ++i) text += entry;
        Loaded loaded = parsed(text);
        ASSERT_TRUE(loaded.ok) << row.name << ": " << loaded.error;
        EXPECT_EQ(loaded.actions.size(), count) << row.name;
        // At the limit, not short of it: two more of the largest would not load.
        add_entry(size, largest);
        add_entry(size, largest);
        EXPECT_TRUE(size.bytes > MAX_RECORD_FILE_BYTES || size.marks > MAX_YAML_MARKS) << row.name;
    }
}

TEST(RecordReading, RecordCutAtEveryLengthNeverCrashes) {
    std::string text = record_text(
        {action("02 00 10 01", 2), action("07 00 92 01 02 08 01 aa bb", 0), action("00 00", -1)});
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        Loaded loaded = parsed(text.substr(0, cut));
        if (loaded.ok) {
            EXPECT_LE(loaded.actions.size(), 3u) << cut;
        } else {
            EXPECT_FALSE(loaded.error.empty()) << cut;
        }
    }
    EXPECT_TRUE(parsed(text).ok);
}

TEST(RecordSaving, LoadFileReportsMissingAndOversizeFiles) {
    TemporaryDirectory directory;
    WorkingDirectory inside(directory.path);
    EXPECT_EQ(loaded_from("absent.yaml").error, "No such file or directory");
    EXPECT_EQ(loaded_from(".").error, "not a regular file");
    {
        std::ofstream big("big.yaml");
        big << std::string(MAX_RECORD_FILE_BYTES + 1, '#');
    }
    EXPECT_EQ(loaded_from("big.yaml").error, "larger than 4 MiB");
}

TEST(RecordSaving, SavedFileHoldsTheTextAndIsNamedForTheTime) {
    TemporaryDirectory directory;
    WorkingDirectory inside(directory.path);
    std::vector<Action> actions = {action("02 00 10 01", -1)};
    StdoutCapture capture;
    ASSERT_TRUE(save_record_text(record_text(actions)));
    std::string log = without_timestamps(capture.finish());
    std::vector<std::string> names = directory.files();
    ASSERT_EQ(names.size(), 1u);
    const std::string& name = names[0];
    EXPECT_EQ(log, "[T] [INFO] save actions to " + name + "\n");
    EXPECT_EQ(name.size(), std::string("record_YYYYMMDD_hhmmss.yaml").size());
    EXPECT_EQ(name.rfind("record_", 0), 0u);
    EXPECT_EQ(directory.read(name), "- hexData: 02001001\n  delay: -1");
}

TEST(RecordSaving, AnExistingFileIsNeverReplaced) {
    TemporaryDirectory directory;
    WorkingDirectory inside(directory.path);
    // Occupy the names of the next few seconds so the save meets one of them.
    std::time_t now = std::time(nullptr);
    std::vector<std::string> taken;
    for (int s = 0; s < 4; ++s) {
        std::time_t t = now + s;
        std::tm local = {};
        localtime_r(&t, &local);
        char stamp[16];
        std::strftime(stamp, sizeof stamp, "%Y%m%d_%H%M%S", &local);
        std::string name = std::string("record_") + stamp + ".yaml";
        std::ofstream(name) << "earlier";
        std::ofstream(std::string("record_") + stamp + "_1.yaml") << "earlier";
        taken.push_back(stamp);
    }
    StdoutCapture capture;
    ASSERT_TRUE(save_record_text(record_text({action("00 00", -1)})));
    std::string log = without_timestamps(capture.finish());
    size_t earlier = 0, ours = 0;
    for (const std::string& name : directory.files()) {
        if (directory.read(name) == "earlier") {
            ++earlier;
        } else {
            ++ours;
            EXPECT_NE(name.find("_2.yaml"), std::string::npos) << name;
            EXPECT_EQ(log, "[T] [INFO] save actions to " + name + "\n");
        }
    }
    EXPECT_EQ(earlier, 8u);
    EXPECT_EQ(ours, 1u);
}

TEST(RecordSaving, UnwritableDirectoryIsReportedAndTheRecordingPrinted) {
    bool saved = true;
    std::string out;
    {
        WorkingDirectory inside("/proc");
        StdoutCapture capture;
        saved = save_record_text(record_text({action("02 00 10 01", -1)}));
        out = without_timestamps(capture.finish());
    }
    EXPECT_FALSE(saved);
    EXPECT_NE(out.find("[T] [ERROR] cannot write record file record_"), std::string::npos) << out;
    EXPECT_NE(out.find("- hexData: 02001001\n  delay: -1\n"), std::string::npos) << out;
}

}  // namespace
