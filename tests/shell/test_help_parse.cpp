#include "shell/help_parse.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct ParseCase {
    const char* text;
    char separator;
    char mode;
    std::vector<int32_t> entries; // the entries produced; every other one must be -1
};

std::ostream& operator<<(std::ostream& out, const ParseCase& c) {
    return out << '"' << c.text << "\" sep '" << c.separator << "' mode " << int(c.mode);
}

constexpr char kValues = 0;
constexpr char kPositions = HELP_PARSE_POSITIONS;

class HelpParseCases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(HelpParseCases, EntriesCountAndUnusedEntries) {
    const ParseCase& c = GetParam();
    std::string text = c.text;
    std::vector<char> writable(text.begin(), text.end());
    writable.push_back('\0');

    ParseList list{};
    int32_t count = HelpParseBufMore(&list, writable.data(), c.separator, c.mode);
    ASSERT_NE(list.items, nullptr);
    EXPECT_EQ(count, static_cast<int32_t>(c.entries.size()));
    EXPECT_EQ(list.count, count);

    std::size_t separators = 0;
    for (char ch : text)
        separators += ch == c.separator;
    const std::size_t total = separators + 3;
    for (std::size_t i = 0; i < total; ++i) {
        int32_t expected = i < c.entries.size() ? c.entries[i] : -1;
        EXPECT_EQ(list.items[i], expected) << "entry " << i;
    }
    // The text is byte for byte what it was.
    EXPECT_EQ(std::memcmp(writable.data(), text.c_str(), text.size() + 1), 0);
    FreeHelpParseBuf(&list);
}

INSTANTIATE_TEST_SUITE_P(
    Tokenizer, HelpParseCases,
    ::testing::Values(
        // Constant names of graphs, data logs and panels.
        ParseCase{"GRAPHUI_0_1", '_', kValues, {0, 1}},
        ParseCase{"LGFILD_1_2_0", '_', kValues, {1, 2, 0}},
        ParseCase{"RESIZE_V_920", '_', kValues, {0, 920}}, ParseCase{"GRAPH1", '_', kValues, {}},
        ParseCase{"LOAD0_", '_', kValues, {}}, ParseCase{"", '_', kValues, {}},
        ParseCase{"", ';', kPositions, {}},
        // Conversion: leading zeros, signs, trailing garbage, no digits, blanks.
        ParseCase{"X_07", '_', kValues, {7}}, ParseCase{"X_-2", '_', kValues, {-2}},
        ParseCase{"X_+5", '_', kValues, {5}}, ParseCase{"X_3a", '_', kValues, {3}},
        ParseCase{"X_abc", '_', kValues, {0}}, ParseCase{"X_ 12", '_', kValues, {12}},
        // Empty tokens still count; a separator at the end adds nothing; one at the start
        // makes the first token the first entry.
        ParseCase{"A__3", '_', kValues, {0, 3}}, ParseCase{"A_1_", '_', kValues, {1}},
        ParseCase{"A_1__", '_', kValues, {1, 0}}, ParseCase{"_5", '_', kValues, {5}},
        ParseCase{"_", '_', kValues, {}}, ParseCase{"__", '_', kValues, {0}},
        // Values beyond 32 bits saturate like a 32-bit conversion.
        ParseCase{"X_99999999999_-99999999999", '_', kValues, {2147483647, -2147483647 - 1}},
        // The firmware version reply.
        ParseCase{"V_1_8", '_', kValues, {1, 8}},
        // Positions mode.
        ParseCase{";4;O_D_IN0_6;5;O_D_IN0_4;", ';', kPositions, {1, 3, 13, 15, 25}},
        ParseCase{"NOSEPARATOR", ';', kPositions, {}}, ParseCase{";", ';', kPositions, {1}},
        ParseCase{";;", ';', kPositions, {1, 2}},
        // Any mode value but 1 is values mode.
        ParseCase{"A;2;3", ';', 'v', {2, 3}}, ParseCase{"A;2;3", ';', 2, {2, 3}}));

TEST(HelpParse, PositionsModeCutsTheTokensBetweenEntries) {
    char text[] = ";4;O_D_IN0_6;5;O_D_IN0_4;";
    ParseList list{};
    int32_t count = HelpParseBufMore(&list, text, ';', HELP_PARSE_POSITIONS);
    std::vector<std::string> tokens;
    for (int32_t i = 1; i < count; ++i) {
        int32_t begin = list.items[i - 1];
        int32_t end = list.items[i] - 1;
        tokens.emplace_back(text + begin, text + end);
    }
    EXPECT_EQ(tokens, (std::vector<std::string>{"4", "O_D_IN0_6", "5", "O_D_IN0_4"}));
    FreeHelpParseBuf(&list);
}

TEST(HelpParse, HelpParseBufIsUnderscoreValues) {
    char text[] = "LGFILD_1_2_0";
    ParseList list{};
    EXPECT_EQ(HelpParseBuf(&list, text), 3);
    EXPECT_EQ(list.items[0], 1);
    EXPECT_EQ(list.items[1], 2);
    EXPECT_EQ(list.items[2], 0);
    EXPECT_EQ(list.items[3], -1);
    EXPECT_EQ(list.items[4], -1);
    FreeHelpParseBuf(&list);
}

TEST(HelpParse, SecondCallAllocatesANewArrayAndKeepsTheFirst) {
    char first[] = "G_1_2";
    char second[] = "G_5";
    ParseList list{};
    HelpParseBuf(&list, first);
    int32_t* kept = list.items;
    HelpParseBuf(&list, second);
    EXPECT_NE(list.items, kept);
    // The first array still belongs to the caller and still holds its entries.
    EXPECT_EQ(kept[0], 1);
    EXPECT_EQ(kept[1], 2);
    EXPECT_EQ(list.count, 1);
    EXPECT_EQ(list.items[0], 5);
    ParseList old{2, kept};
    FreeHelpParseBuf(&old);
    FreeHelpParseBuf(&list);
}

TEST(HelpParse, FreeLeavesCountAndPointer) {
    char text[] = "G_1";
    ParseList list{};
    HelpParseBuf(&list, text);
    int32_t* items = list.items;
    FreeHelpParseBuf(&list);
    EXPECT_EQ(list.count, 1);
    EXPECT_EQ(list.items, items);
}

TEST(HelpParse, NullArgumentsDoNotCrash) {
    EXPECT_EQ(HelpParseBufMore(nullptr, "A_1", '_', 0), 0);
    ParseList list{};
    EXPECT_EQ(HelpParseBufMore(&list, nullptr, '_', 0), 0);
    ASSERT_NE(list.items, nullptr);
    EXPECT_EQ(list.items[0], -1);
    EXPECT_EQ(list.items[2], -1);
    FreeHelpParseBuf(&list);
    FreeHelpParseBuf(nullptr);
}

} // namespace
