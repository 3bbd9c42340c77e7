// Control values to command text and back, with percent conversion and mappings.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/conversion.h"
#include "runtime/userint.h"
#include "support_panels.h"

namespace {

class Conversion : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        panel = LoadFixturePanel(
            {Int("N", 0), Float("F", 0.0), Text("S", ""), Int("R", 0), Text("RS", "old")});
        ASSERT_GT(panel, 0);
        n = CtrlId(panel, "N");
        f = CtrlId(panel, "F");
        s = CtrlId(panel, "S");
    }
    CommandGroup Group(char letter, char type, int ctrl, float scale) const {
        CommandGroup g;
        g.letter = letter;
        g.valueType[0] = type;
        g.ctrl[0] = ctrl;
        g.scale[0] = scale;
        return g;
    }
    int panel = 0, n = 0, f = 0, s = 0;
};

TEST_F(Conversion, ValueTextOfAPosition) {
    const struct {
        char letter, type;
        double value; // into N (D) or F (F)
        float scale;
        const char* text;
    } cases[] = {
        {'I', 'D', 50, 1.0f, "511"},
        {'I', 'D', 100, 1.0f, "1023"},
        {'I', 'D', 33, 1.0f, "337"},
        {'I', 'D', 0, 1.0f, "0"},
        {'P', 'D', 100, 1.0f, "4095"},
        {'P', 'D', 1, 1.0f, "40"},
        {'P', 'D', 50, 1.0f, "2047"},
        {'P', 'D', 50, 2.0f, "100"},
        {'P', 'D', 50, 0.0f, "2047"},
        {'P', 'D', -1, 1.0f, "-40"},
        {'O', 'D', 250, 0.5f, "125"},
        {'O', 'D', 250, 0.0f, "250"},
        {'O', 'D', 250, 1.0f, "250"},
        {'O', 'D', -7, 1.0f, "-7"},
        {'O', 'D', 3, -1.5f, "-4"},
        {'O', 'F', 12.7, 1.0f, "12"},
        {'O', 'F', -2.7, 1.0f, "-2"},
        {'O', 'F', 12.7, 0.0f, "12"},
        {'O', 'F', 3.3, 2.5f, "8"},
        {'P', 'F', 50.5, 1.0f, "2067"},
        {'I', 'F', 33.3, 1.0f, "340"},
        {'P', 'F', 100, 1.0f, "4095"},
        {'O', 'D', 2000000, 5000.0f, "2147483647"},
        {'O', 'D', -2000000, 5000.0f, "-2147483648"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(1, c.letter) + c.type + " " + std::to_string(c.value) + " x" +
                     std::to_string(c.scale));
        const int ctrl = c.type == 'D' ? n : f;
        if (c.type == 'D')
            ASSERT_GE(SetCtrlVal(panel, ctrl, static_cast<int>(c.value)), 0);
        else
            ASSERT_GE(SetCtrlVal(panel, ctrl, static_cast<float>(c.value)), 0);
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(MainWorking_GetCtrlValAsChar(panel, 0, Group(c.letter, c.type, ctrl, c.scale),
                                               buffer, sizeof buffer),
                  0);
        EXPECT_STREQ(buffer, c.text);
    }
}

TEST_F(Conversion, TextValuesAndOtherTypes) {
    SetCtrlVal(panel, s, "O:1,2;x");
    char buffer[64];
    EXPECT_EQ(MainWorking_GetCtrlValAsChar(panel, 0, Group('O', 'S', s, 1.0f), buffer, 64), 0);
    EXPECT_STREQ(buffer, "O:1,2;x");

    std::strcpy(buffer, "untouched");
    EXPECT_EQ(MainWorking_GetCtrlValAsChar(panel, 0, Group('O', '0', n, 1.0f), buffer, 64), 0);
    EXPECT_STREQ(buffer, "");

    std::strcpy(buffer, "untouched");
    EXPECT_EQ(MainWorking_GetCtrlValAsChar(panel, 0, Group('O', 'X', n, 1.0f), buffer, 64), 0);
    EXPECT_STREQ(buffer, "untouched");
}

TEST_F(Conversion, LongTextIsCutAtTheBufferSize) {
    const std::string longText(400, 'a');
    SetCtrlVal(panel, s, longText);
    char buffer[kGroupLineLimit + 1 + 8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_GE(MainWorking_GetCtrlValAsChar(panel, 0, Group('O', 'S', s, 1.0f), buffer,
                                           kGroupLineLimit + 1),
              0);
    EXPECT_EQ(std::strlen(buffer), static_cast<std::size_t>(kGroupLineLimit));
    for (std::size_t i = kGroupLineLimit + 1; i < sizeof buffer; ++i)
        EXPECT_EQ(buffer[i], '#');

    // A number never runs past a small buffer either.
    SetCtrlVal(panel, n, -123456);
    char small[4];
    EXPECT_EQ(MainWorking_GetCtrlValAsChar(panel, 0, Group('O', 'D', n, 1.0f), small, 4), 0);
    EXPECT_STREQ(small, "-12");
}

TEST_F(Conversion, AFailedReadLeavesAnEmptyTextAndReportsIt) {
    char buffer[16] = "before";
    EXPECT_LT(MainWorking_GetCtrlValAsChar(panel, 0, Group('O', 'D', 999, 1.0f), buffer, 16), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_LT(MainWorking_GetCtrlValAsChar(panel, 0, Group('O', 'D', n, 1.0f), buffer, 0), 0);
    EXPECT_LT(MainWorking_GetCtrlValAsChar(panel, 25, Group('O', 'D', n, 1.0f), buffer, 16), 0);
}

TEST_F(Conversion, IntegerValueForTimedPeriods) {
    const struct {
        char letter;
        int value;
        float scale;
        int result;
    } cases[] = {
        {'P', 100, 0.0f, 4095},  {'I', 50, 0.0f, 511}, {'W', 1000, 0.0f, 1000},
        {'W', 1000, 2.0f, 2000}, {'W', 7, 0.5f, 3},    {'P', 100, 1.0f, 4095},
    };
    for (const auto& c : cases) {
        SetCtrlVal(panel, n, c.value);
        EXPECT_EQ(MainWorking_GetCtrlValAsInt(panel, 0, Group(c.letter, 'D', n, c.scale)), c.result)
            << c.letter << " " << c.value;
    }
}

TEST_F(Conversion, ReplyTextIntoControls) {
    const int r = CtrlId(panel, "R");
    const int rs = CtrlId(panel, "RS");
    ReplyEntry d;
    d.valueType = 'D';
    d.ctrl = r;
    ReplyEntry sEntry;
    sEntry.valueType = 'S';
    sEntry.ctrl = rs;

    const struct {
        const char* text;
        int value;
    } numbers[] = {{"00123,00456", 123}, {" -42x", -42}, {"abc", 0}, {"", 0}, {"+7", 7}};
    for (const auto& c : numbers) {
        EXPECT_GE(MainWorking_SetCtrlValAsChar(panel, d, c.text), 0);
        int v = -1;
        GetCtrlVal(panel, r, &v);
        EXPECT_EQ(v, c.value) << c.text;
    }

    EXPECT_GE(MainWorking_SetCtrlValAsChar(panel, sEntry, "00123,00456"), 0);
    std::string text;
    GetCtrlVal(panel, rs, &text);
    EXPECT_EQ(text, "00123,00456");

    ReplyEntry other = sEntry;
    other.valueType = 'F';
    EXPECT_EQ(MainWorking_SetCtrlValAsChar(panel, other, "99"), -1);
    GetCtrlVal(panel, rs, &text);
    EXPECT_EQ(text, "00123,00456");
}

TEST_F(Conversion, MappingCallbackReadsTheControlOnCommitOnly) {
    ScaleCell cell(1.0f);
    SetCtrlVal(panel, f, 2.5f);
    EXPECT_EQ(MainWorking_Mapping(panel, f, EVENT_KEYPRESS, &cell, 0, 0), 0);
    EXPECT_EQ(cell.load(), 1.0f);
    EXPECT_EQ(MainWorking_Mapping(panel, f, EVENT_COMMIT, &cell, 0, 0), 0);
    EXPECT_EQ(cell.load(), 2.5f);

    CommandGroup g = Group('P', 'D', n, cell.load());
    SetCtrlVal(panel, n, 40);
    char buffer[16];
    MainWorking_GetCtrlValAsChar(panel, 0, g, buffer, 16);
    EXPECT_STREQ(buffer, "100");
}

} // namespace
