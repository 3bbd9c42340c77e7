// The panel model: values and their conversions, rings, text boxes, attributes, control ids,
// graphs, menus, callbacks, panels and the observer's notifications.
#include "model_fixture.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <variant>

namespace {

// Control ids of the mixed panel, in file order.
enum : int {
    INT_NUM = 1,
    DBL_NUM,
    FLT_NUM,
    STR,
    MSG,
    BOX,
    RING,
    SRING,
    BUTTON,
    TOGGLE,
    CHECK,
    DECO,
    GRAPH
};

std::string MixedPanelDoc() {
    std::string body = Geometry(0, 0, 600, 400) + StringProp("windowTitle", "Mixed");
    body += Widget("QSpinBox", "INT_NUM",
                   Geometry(10, 10, 80, 20) + NumberProp("minimum", "-1000") +
                       NumberProp("maximum", "1000") + NumberProp("value", "5") +
                       StringProp("label", "Integer", true));
    body += Widget("QDoubleSpinBox", "DBL_NUM",
                   Geometry(10, 40, 80, 20) + DoubleProp("minimum", "-1000000") +
                       DoubleProp("maximum", "1000000") + NumberProp("decimals", "3") +
                       DoubleProp("value", "1.5"));
    body += Widget("QDoubleSpinBox", "FLT_NUM",
                   Geometry(10, 70, 80, 20) + DoubleProp("minimum", "-1000") +
                       DoubleProp("maximum", "1000") + StringProp("dataType", "float", true));
    body += Widget("QLineEdit", "STR", Geometry(10, 100, 80, 20) + StringProp("text", "hello"));
    body += Widget("QLabel", "MSG", Geometry(10, 130, 80, 20) + StringProp("text", "Text Message"));
    body += Widget("QPlainTextEdit", "BOX",
                   Geometry(100, 10, 200, 100) + StringProp("plainText", "first"));
    body += Widget("QComboBox", "RING",
                   Geometry(100, 120, 80, 20) + StringProp("itemValues", "1;2;4;8", true) +
                       NumberProp("currentIndex", "1") +
                       "<item><property name=\"text\"><string>X1</string></property></item>"
                       "<item><property name=\"text\"><string>X2</string></property></item>"
                       "<item><property name=\"text\"><string>X4</string></property></item>"
                       "<item><property name=\"text\"><string>X8</string></property></item>\n");
    body += Widget("QComboBox", "SRING",
                   Geometry(100, 150, 80, 20) + StringProp("dataType", "string", true) +
                       StringProp("itemValues", "COM1;COM2", true) +
                       "<item><property name=\"text\"><string>first</string></property></item>"
                       "<item><property name=\"text\"><string>second</string></property></item>\n");
    body += Widget("QPushButton", "BUTTON", Geometry(300, 10, 80, 24) + StringProp("text", "Go"));
    body += Widget("QPushButton", "TOGGLE",
                   Geometry(300, 40, 80, 24) + BoolProp("checkable", true) +
                       StringProp("onText", "ON", true) + StringProp("offText", "OFF", true));
    body += Widget("QCheckBox", "CHECK", Geometry(300, 70, 80, 24) + BoolProp("checked", true));
    body += Widget("QFrame", "DECO", Geometry(0, 0, 10, 10));
    body += Widget("QCustomPlot", "GRAPH", Geometry(0, 200, 300, 200));
    return UiDoc(Widget("QWidget", "MIXED", body));
}

class PanelModel : public ModelTest {
  protected:
    void SetUp() override {
        ModelTest::SetUp();
        panel = load(MixedPanelDoc(), "mixed.uir");
        ASSERT_GT(panel, 0);
    }
    int panel = 0;
};

// ---------------------------------------------------------------------------------------------
// Values and conversions
// ---------------------------------------------------------------------------------------------
using Input = std::variant<int, float, double, std::string>;

struct ConversionCase {
    int control;
    Input set;
    int setStatus; // 0 or the expected error
    int asInt;
    double asDouble;
    std::string asText;
};

int SetAny(int panel, int control, const Input& v) {
    return std::visit([&](const auto& x) { return SetCtrlVal(panel, control, x); }, v);
}

TEST_F(PanelModel, ValuesConvertBetweenTheCallersTypeAndTheControlsDataType) {
    const ConversionCase cases[] = {
        {INT_NUM, 12.7, 0, 12, 12.0, "12"}, // toward zero
        {INT_NUM, -2.7, 0, -2, -2.0, "-2"},
        {INT_NUM, std::string(" 42 "), 0, 42, 42.0, "42"},
        {INT_NUM, 5000, 0, 1000, 1000.0, "1000"}, // kept inside the range
        {INT_NUM, -5000.0, 0, -1000, -1000.0, "-1000"},
        {INT_NUM, std::string("12abc"), UIE_BadAttributeValue, 5, 5.0, "5"},
        {DBL_NUM, 3, 0, 3, 3.0, "3"},
        {DBL_NUM, 2.75, 0, 2, 2.75, "2.75"},
        {DBL_NUM, std::string("-1e3"), 0, -1000, -1000.0, "-1000"},
        {DBL_NUM, std::string("inf"), UIE_BadAttributeValue, 1, 1.5, "1.5"},
        {FLT_NUM, 0.1, 0, 0, static_cast<double>(0.1f), "0.1"},
        {FLT_NUM, 12.7f, 0, 12, static_cast<double>(12.7f), "12.7"},
        {STR, 42, 0, 42, 42.0, "42"},
        {STR, 12.5, 0, 12, 12.5, "12.5"},
        {STR, 12.7f, 0, 12, 12.7, "12.7"}, // through its shortest text
        {STR, std::string("007"), 0, 7, 7.0, "007"},
        {MSG, std::string("-3.5"), 0, -3, -3.5, "-3.5"},
        {RING, 4, 0, 4, 4.0, "4"}, // selects the item with value 4
        {RING, std::string("8"), 0, 8, 8.0, "8"},
        {RING, 3, UIE_BadAttributeValue, 2, 2.0, "2"}, // no such item: selection unchanged
        {SRING, std::string("COM2"), 0, 0, 0.0, "COM2"},
        {TOGGLE, 1, 0, 1, 1.0, "1"},
        {TOGGLE, 7, 0, 0, 0.0, "0"}, // not the on value: off
        {CHECK, 0.0, 0, 0, 0.0, "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("control " + std::to_string(c.control) + ", expected " + c.asText);
        int p = LoadPanel(0, "mixed.uir", 1);
        ASSERT_GT(p, 0);
        EXPECT_EQ(SetAny(p, c.control, c.set), c.setStatus);
        int i = -99;
        double d = -99.0;
        std::string s;
        bool textOnly = c.control == SRING;
        if (!textOnly) {
            EXPECT_EQ(GetCtrlVal(p, c.control, &i), 0);
            EXPECT_EQ(i, c.asInt);
            EXPECT_EQ(GetCtrlVal(p, c.control, &d), 0);
            EXPECT_DOUBLE_EQ(d, c.asDouble);
        }
        EXPECT_EQ(GetCtrlVal(p, c.control, &s), 0);
        EXPECT_EQ(s, c.asText);
        DiscardPanel(p);
    }
}

TEST_F(PanelModel, FloatReadOfADoubleIsRoundedAndTextOfAStringIsReadAsNumberOnlyWhenItIsOne) {
    ASSERT_EQ(SetCtrlVal(panel, DBL_NUM, 0.1), 0);
    float f = 0.0f;
    EXPECT_EQ(GetCtrlVal(panel, DBL_NUM, &f), 0);
    EXPECT_EQ(f, 0.1f);

    ASSERT_EQ(SetCtrlVal(panel, STR, "not a number"), 0);
    int i = 99;
    EXPECT_EQ(GetCtrlVal(panel, STR, &i), UIE_BadAttributeValue);
    EXPECT_EQ(i, 0);
    std::string s;
    EXPECT_EQ(GetCtrlVal(panel, STR, &s), 0);
    EXPECT_EQ(s, "not a number");
}

TEST_F(PanelModel, ControlsWithoutValueRefuseValueCalls) {
    for (int control : {BUTTON, DECO, GRAPH}) {
        int i = 0;
        std::string s;
        EXPECT_EQ(GetCtrlVal(panel, control, &i), UIE_WrongControlKind);
        EXPECT_EQ(GetCtrlVal(panel, control, &s), UIE_WrongControlKind);
        EXPECT_EQ(SetCtrlVal(panel, control, 1), UIE_WrongControlKind);
    }
}

TEST_F(PanelModel, GetCtrlValTextCopiesAtMostSizeMinusOneBytesAndTerminates) {
    ASSERT_EQ(SetCtrlVal(panel, STR, "abcdef"), 0);
    char buffer[8];
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(GetCtrlValText(panel, STR, buffer, 4), 0);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(buffer[4], 'Z'); // nothing written past the given size
    EXPECT_EQ(GetCtrlValText(panel, STR, buffer, 0), UIE_BadArgument);
    EXPECT_EQ(GetCtrlValText(panel, STR, nullptr, 4), UIE_BadArgument);
    EXPECT_EQ(GetCtrlValText(panel, 99, buffer, 8), UIE_BadControlId);
    EXPECT_STREQ(buffer, "");
}

TEST_F(PanelModel, DefaultCtrlRestoresTheFileValueOrTheSetDefault) {
    ASSERT_EQ(SetCtrlVal(panel, INT_NUM, 77), 0);
    ASSERT_EQ(DefaultCtrl(panel, INT_NUM), 0);
    int i = 0;
    GetCtrlVal(panel, INT_NUM, &i);
    EXPECT_EQ(i, 5);

    ASSERT_EQ(SetCtrlAttribute(panel, INT_NUM, ATTR_DFLT_VALUE, 9.0), 0);
    ASSERT_EQ(DefaultCtrl(panel, INT_NUM), 0);
    GetCtrlVal(panel, INT_NUM, &i);
    EXPECT_EQ(i, 9);

    SetCtrlVal(panel, STR, "changed");
    DefaultCtrl(panel, STR);
    std::string s;
    GetCtrlVal(panel, STR, &s);
    EXPECT_EQ(s, "hello");

    SetCtrlIndex(panel, RING, 3);
    DefaultCtrl(panel, RING);
    int index = -1;
    GetCtrlIndex(panel, RING, &index);
    EXPECT_EQ(index, 1);

    SetCtrlVal(panel, CHECK, 0);
    DefaultCtrl(panel, CHECK);
    GetCtrlVal(panel, CHECK, &i);
    EXPECT_EQ(i, 1);
}

// ---------------------------------------------------------------------------------------------
// Two-state controls
// ---------------------------------------------------------------------------------------------
TEST_F(PanelModel, TwoStateControlKeepsItsStateWhenTheOnValueChanges) {
    ASSERT_EQ(SetCtrlVal(panel, TOGGLE, 1), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, TOGGLE, ATTR_ON_VALUE, 5), 0);
    int v = 0;
    GetCtrlVal(panel, TOGGLE, &v);
    EXPECT_EQ(v, 5);
    int on = 0;
    EXPECT_EQ(GetCtrlAttribute(panel, TOGGLE, ATTR_ON_VALUE, &on), 0);
    EXPECT_EQ(on, 5);
    double onD = 0;
    EXPECT_EQ(GetCtrlAttribute(panel, TOGGLE, ATTR_ON_VALUE, &onD), 0);
    EXPECT_EQ(onD, 5.0);
    // The lowest bit of the on value inverted is the off value only by coincidence: 4 is off.
    SetCtrlVal(panel, TOGGLE, 5 ^ 1);
    GetCtrlVal(panel, TOGGLE, &v);
    EXPECT_EQ(v, 0);
    std::string text;
    EXPECT_EQ(GetCtrlAttribute(panel, TOGGLE, ATTR_ON_TEXT, &text), 0);
    EXPECT_EQ(text, "ON");
}

// ---------------------------------------------------------------------------------------------
// Rings
// ---------------------------------------------------------------------------------------------
TEST_F(PanelModel, RingItemsLabelsValuesAndSelection) {
    int count = 0, index = 0;
    ASSERT_EQ(GetNumListItems(panel, RING, &count), 0);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(GetCtrlIndex(panel, RING, &index), 0);
    EXPECT_EQ(index, 1);
    std::string label, value;
    EXPECT_EQ(GetLabelFromIndex(panel, RING, 3, &label), 0);
    EXPECT_EQ(label, "X8");
    EXPECT_EQ(GetValueFromIndex(panel, RING, 3, &value), 0);
    EXPECT_EQ(value, "8");

    // Inserting before the selection keeps the same item selected.
    ASSERT_EQ(InsertListItem(panel, RING, 0, "X0", 0), 0);
    GetCtrlIndex(panel, RING, &index);
    EXPECT_EQ(index, 2);
    int v = 0;
    GetCtrlVal(panel, RING, &v);
    EXPECT_EQ(v, 2);
    ASSERT_EQ(InsertListItem(panel, RING, -1, "X96", "96"), 0);
    GetNumListItems(panel, RING, &count);
    EXPECT_EQ(count, 6);
    GetLabelFromIndex(panel, RING, 5, &label);
    EXPECT_EQ(label, "X96");

    EXPECT_EQ(InsertListItem(panel, RING, 7, "bad", 1), UIE_IndexOutOfRange);
    EXPECT_EQ(InsertListItem(panel, RING, -2, "bad", 1), UIE_IndexOutOfRange);
    EXPECT_EQ(InsertListItem(panel, RING, 0, "bad", "abc"), UIE_BadAttributeValue);
    EXPECT_EQ(SetCtrlIndex(panel, RING, 6), UIE_IndexOutOfRange);
    EXPECT_EQ(SetCtrlIndex(panel, RING, -1), UIE_IndexOutOfRange);
    EXPECT_EQ(GetValueFromIndex(panel, RING, 6, &value), UIE_IndexOutOfRange);
    EXPECT_EQ(ClearListCtrl(panel, STR), UIE_WrongControlKind);

    ASSERT_EQ(ClearListCtrl(panel, RING), 0);
    GetCtrlIndex(panel, RING, &index);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(GetCtrlVal(panel, RING, &v), UIE_IndexOutOfRange);
    int length = -1;
    EXPECT_EQ(GetCtrlAttribute(panel, RING, ATTR_STRING_TEXT_LENGTH, &length), 0);
    EXPECT_EQ(length, 0);
    // The first item inserted into an empty ring is selected.
    InsertListItem(panel, RING, -1, "only", 3);
    GetCtrlIndex(panel, RING, &index);
    EXPECT_EQ(index, 0);
}

TEST_F(PanelModel, StringRingValueLengthsAsPortSelectionReadsThem) {
    ASSERT_EQ(ClearListCtrl(panel, SRING), 0);
    InsertListItem(panel, SRING, -1, "Select Port / Refresh", "Select Port / Refresh");
    InsertListItem(panel, SRING, -1, "COM12", "COM12");
    InsertListItem(panel, SRING, -1, "number", 17);
    ASSERT_EQ(SetCtrlIndex(panel, SRING, 1), 0);
    int index = 0, length = 0;
    GetCtrlIndex(panel, SRING, &index);
    EXPECT_EQ(GetValueLengthFromIndex(panel, SRING, index, &length), 0);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(GetCtrlAttribute(panel, SRING, ATTR_STRING_TEXT_LENGTH, &length), 0);
    EXPECT_EQ(length, 5);
    std::string value;
    GetValueFromIndex(panel, SRING, 2, &value);
    EXPECT_EQ(value, "17");
    EXPECT_EQ(SetCtrlVal(panel, SRING, 17), 0);
    GetCtrlIndex(panel, SRING, &index);
    EXPECT_EQ(index, 2);
}

// ---------------------------------------------------------------------------------------------
// Text boxes
// ---------------------------------------------------------------------------------------------
TEST_F(PanelModel, TextBoxAppendsAndFollowsTheEndUnlessThePositionIsPutBack) {
    ASSERT_EQ(SetCtrlVal(panel, BOX, "\nsecond"), 0);
    ASSERT_EQ(SetCtrlVal(panel, BOX, 3), 0);
    std::string text;
    GetCtrlVal(panel, BOX, &text);
    EXPECT_EQ(text, "first\nsecond3");
    int length = 0;
    GetCtrlAttribute(panel, BOX, ATTR_STRING_TEXT_LENGTH, &length);
    EXPECT_EQ(length, 13);

    for (int i = 0; i < 40; ++i)
        SetCtrlVal(panel, BOX, "\nline " + std::to_string(i));
    ControlSnapshot snap;
    ASSERT_TRUE(GetControlSnapshot(panel, BOX, &snap));
    EXPECT_EQ(snap.firstVisibleLine, -1);
    // Following the end, the position reads as the first line of the last screenful.
    int first = -1;
    ASSERT_EQ(GetCtrlAttribute(panel, BOX, ATTR_FIRST_VISIBLE_LINE, &first), 0);
    EXPECT_GT(first, 0);
    EXPECT_LT(first, 41);

    // Keep-view: read the position, append, put it back.
    ASSERT_EQ(SetCtrlAttribute(panel, BOX, ATTR_FIRST_VISIBLE_LINE, 3), 0);
    int kept = 0;
    GetCtrlAttribute(panel, BOX, ATTR_FIRST_VISIBLE_LINE, &kept);
    SetCtrlVal(panel, BOX, "\nmore");
    GetControlSnapshot(panel, BOX, &snap);
    EXPECT_EQ(snap.firstVisibleLine, -1);
    SetCtrlAttribute(panel, BOX, ATTR_FIRST_VISIBLE_LINE, kept);
    GetControlSnapshot(panel, BOX, &snap);
    EXPECT_EQ(snap.firstVisibleLine, 3);

    // A position past the end shows the last line; below -1 is refused.
    EXPECT_EQ(SetCtrlAttribute(panel, BOX, ATTR_FIRST_VISIBLE_LINE, 1000), 0);
    GetCtrlAttribute(panel, BOX, ATTR_FIRST_VISIBLE_LINE, &first);
    EXPECT_EQ(first, 42);
    EXPECT_EQ(SetCtrlAttribute(panel, BOX, ATTR_FIRST_VISIBLE_LINE, -2), UIE_BadAttributeValue);
    EXPECT_EQ(SetCtrlAttribute(panel, STR, ATTR_FIRST_VISIBLE_LINE, 0), UIE_WrongControlKind);

    // The person's scroll is kept until the next append.
    NoteUserScroll(panel, BOX, 7);
    GetCtrlAttribute(panel, BOX, ATTR_FIRST_VISIBLE_LINE, &first);
    EXPECT_EQ(first, 7);

    ASSERT_EQ(ResetTextBox(panel, BOX, "fresh"), 0);
    GetCtrlVal(panel, BOX, &text);
    EXPECT_EQ(text, "fresh");
    EXPECT_EQ(ResetTextBox(panel, STR, "x"), UIE_WrongControlKind);
}

// ---------------------------------------------------------------------------------------------
// Attributes
// ---------------------------------------------------------------------------------------------
TEST_F(PanelModel, AttributeRefusalsGiveTheirError) {
    struct Case {
        const char* what;
        int panel, control, attr;
        std::variant<int, double, std::string> value;
        bool set;
        int status;
    };
    const int p = panel;
    const Case cases[] = {
        {"bad panel", 9999, 1, ATTR_DIMMED, 1, true, UIE_BadPanelHandle},
        {"panel 0", 0, 1, ATTR_DIMMED, 0, false, UIE_BadPanelHandle},
        {"negative panel", -3, 1, ATTR_DIMMED, 0, false, UIE_BadPanelHandle},
        {"bad control", p, 99, ATTR_DIMMED, 1, true, UIE_BadControlId},
        {"control 0", p, 0, ATTR_VISIBLE, 0, false, UIE_BadControlId},
        {"unknown code", p, INT_NUM, 9999, 1, true, UIE_BadAttribute},
        {"unknown code read", p, INT_NUM, 9999, 0, false, UIE_BadAttribute},
        {"panel code on a control", p, INT_NUM, ATTR_TITLE, std::string("x"), true,
         UIE_BadAttribute},
        {"int attribute as text", p, INT_NUM, ATTR_DIMMED, std::string("1"), true, UIE_BadArgument},
        {"int attribute as double", p, INT_NUM, ATTR_LEFT, 1.0, true, UIE_BadArgument},
        {"text attribute as int", p, INT_NUM, ATTR_LABEL_TEXT, 1, true, UIE_BadArgument},
        {"text attribute read as int", p, INT_NUM, ATTR_CONSTANT_NAME, 0, false, UIE_BadArgument},
        {"read-only style", p, INT_NUM, ATTR_CTRL_STYLE, CTRL_STRING, true, UIE_BadAttribute},
        {"read-only data type", p, INT_NUM, ATTR_DATA_TYPE, VAL_STRING, true, UIE_BadAttribute},
        {"read-only text length", p, STR, ATTR_STRING_TEXT_LENGTH, 3, true, UIE_BadAttribute},
        {"negative width", p, INT_NUM, ATTR_WIDTH, -1, true, UIE_BadAttributeValue},
        {"bad colour", p, INT_NUM, ATTR_TEXT_COLOR, 0x1000000, true, UIE_BadAttributeValue},
        {"precision 16", p, DBL_NUM, ATTR_PRECISION, 16, true, UIE_BadAttributeValue},
        {"NaN maximum", p, DBL_NUM, ATTR_MAX_VALUE, NAN, true, UIE_BadAttributeValue},
        {"on value of a numeric", p, INT_NUM, ATTR_ON_VALUE, 1, true, UIE_WrongControlKind},
        {"range of a string", p, STR, ATTR_MAX_VALUE, 1.0, true, UIE_WrongControlKind},
        {"graph attribute of a ring", p, RING, ATTR_XNAME, std::string("t"), true,
         UIE_WrongControlKind},
        {"text length of a numeric", p, INT_NUM, ATTR_STRING_TEXT_LENGTH, 0, false,
         UIE_WrongControlKind},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int status = std::visit(
            [&](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if (c.set) return SetCtrlAttribute(c.panel, c.control, c.attr, v);
                T out{};
                return GetCtrlAttribute(c.panel, c.control, c.attr, &out);
            },
            c.value);
        EXPECT_EQ(status, c.status);
    }
    // Nothing changed by the refusals.
    int width = 0;
    GetCtrlAttribute(panel, INT_NUM, ATTR_WIDTH, &width);
    EXPECT_EQ(width, 80);
    double max = 0;
    GetCtrlAttribute(panel, DBL_NUM, ATTR_MAX_VALUE, &max);
    EXPECT_EQ(max, 1000000.0);
}

TEST_F(PanelModel, AttributesReadBackWhatWasSet) {
    EXPECT_EQ(SetCtrlAttribute(panel, INT_NUM, ATTR_DIMMED, 1), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, INT_NUM, ATTR_LABEL_TEXT, std::string("Renamed")), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, INT_NUM, ATTR_CONSTANT_NAME, std::string("P_F_INW_0")), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, INT_NUM, ATTR_LEFT, 30), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, INT_NUM, ATTR_CTRL_COLOR, 0xFF0000), 0);
    int i = 0;
    std::string s;
    GetCtrlAttribute(panel, INT_NUM, ATTR_DIMMED, &i);
    EXPECT_EQ(i, 1);
    GetCtrlAttribute(panel, INT_NUM, ATTR_LABEL_TEXT, &s);
    EXPECT_EQ(s, "Renamed");
    GetCtrlAttribute(panel, INT_NUM, ATTR_CONSTANT_NAME, &s);
    EXPECT_EQ(s, "P_F_INW_0");
    GetCtrlAttribute(panel, INT_NUM, ATTR_LEFT, &i);
    EXPECT_EQ(i, 30);
    GetCtrlAttribute(panel, INT_NUM, ATTR_LABEL_LEFT, &i);
    EXPECT_EQ(i, 30); // the label moved with the control
    GetCtrlAttribute(panel, INT_NUM, ATTR_CTRL_COLOR, &i);
    EXPECT_EQ(i, 0xFF0000);
    GetCtrlAttribute(panel, INT_NUM, ATTR_DATA_TYPE, &i);
    EXPECT_EQ(i, VAL_INTEGER);
    GetCtrlAttribute(panel, TOGGLE, ATTR_CTRL_STYLE, &i);
    EXPECT_EQ(i, CTRL_TOGGLE_BUTTON);

    // Narrowing the range moves the value inside it.
    SetCtrlVal(panel, DBL_NUM, 500.0);
    ASSERT_EQ(SetCtrlAttribute(panel, DBL_NUM, ATTR_MAX_VALUE, 100.0), 0);
    double d = 0;
    GetCtrlVal(panel, DBL_NUM, &d);
    EXPECT_EQ(d, 100.0);
    // Integer controls take their range as ints too; a fraction goes toward zero.
    ASSERT_EQ(SetCtrlAttribute(panel, INT_NUM, ATTR_MAX_VALUE, 10.9), 0);
    GetCtrlAttribute(panel, INT_NUM, ATTR_MAX_VALUE, &i);
    EXPECT_EQ(i, 10);
}

// ---------------------------------------------------------------------------------------------
// Control ids
// ---------------------------------------------------------------------------------------------
std::vector<int> WalkControls(int panel) {
    std::vector<int> ids;
    int id = 0;
    GetPanelAttribute(panel, ATTR_PANEL_FIRST_CTRL, &id);
    while (id > 0 && ids.size() < 100) {
        ids.push_back(id);
        if (GetCtrlAttribute(panel, id, ATTR_NEXT_CTRL, &id) < 0) break;
    }
    return ids;
}

TEST_F(ModelTest, ControlsAreFoundByTheirWholeConstantName) {
    int panel = emptyPanel();
    ASSERT_GT(panel, 0);
    const int stop = NewCtrl(panel, CTRL_STRING, "", 0, 0);
    const int stopCommand = NewCtrl(panel, CTRL_STRING, "", 30, 0);
    const int twin = NewCtrl(panel, CTRL_STRING, "", 60, 0);
    ASSERT_EQ(SetCtrlAttribute(panel, stop, ATTR_CONSTANT_NAME, std::string("STOP")), 0);
    ASSERT_EQ(SetCtrlAttribute(panel, stopCommand, ATTR_CONSTANT_NAME, std::string("STOPCOMAND")),
              0);
    ASSERT_EQ(SetCtrlAttribute(panel, twin, ATTR_CONSTANT_NAME, std::string("STOPCOMAND")), 0);
    EXPECT_EQ(GetCtrlIdFromConstantName(panel, "STOP"), stop);
    EXPECT_EQ(GetCtrlIdFromConstantName(panel, "STOPCOMAND"), stopCommand) << "the first in order";
    EXPECT_EQ(GetCtrlIdFromConstantName(panel, "STOPCOM"), 0);
    EXPECT_EQ(GetCtrlIdFromConstantName(panel, "stop"), 0) << "names match with their letter case";
    EXPECT_LT(GetCtrlIdFromConstantName(9999, "STOP"), 0);
}

TEST_F(ModelTest, NewCtrlNumbersAfterTheLastIdAndNeverReusesOne) {
    int panel = emptyPanel();
    ASSERT_GT(panel, 0);
    EXPECT_TRUE(WalkControls(panel).empty());
    int a = NewCtrl(panel, CTRL_NUMERIC_VSLIDE, "Power_0", 10, 20);
    int b = NewCtrl(panel, CTRL_SQUARE_BUTTON, "", 300, 20);
    int c = NewCtrl(panel, CTRL_NUMERIC_VSLIDE, "Power_1", 10, 133);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, 3);
    ASSERT_EQ(DiscardCtrl(panel, b), 0);
    EXPECT_EQ(DiscardCtrl(panel, b), UIE_BadControlId);
    int d = NewCtrl(panel, CTRL_STRING, "text", 0, 0);
    EXPECT_EQ(d, 4);
    EXPECT_EQ(WalkControls(panel), (std::vector<int>{1, 3, 4}));
    ASSERT_EQ(DiscardCtrl(panel, d), 0);
    EXPECT_EQ(NewCtrl(panel, CTRL_RING, "", 0, 0), 5);

    EXPECT_EQ(NewCtrl(panel, 999, "x", 0, 0), UIE_BadAttributeValue);
    EXPECT_EQ(NewCtrl(9999, CTRL_NUMERIC, "x", 0, 0), UIE_BadPanelHandle);
    EXPECT_EQ(DiscardCtrl(9999, 1), UIE_BadPanelHandle);

    // A slide made at run time, as the LED group sets it up.
    int kind = GetCtrlKind(panel, a);
    EXPECT_EQ(kind, KIND_NUMERIC_SLIDE);
    EXPECT_EQ(GetCtrlKind(panel, b), KIND_NUMERIC) << "discarded control";
    int status = 0;
    GetCtrlKind(panel, b, &status);
    EXPECT_EQ(status, UIE_BadControlId);
    EXPECT_EQ(SetCtrlAttribute(panel, a, ATTR_MIN_VALUE, 0.0), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, a, ATTR_MAX_VALUE, 100.0), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, a, ATTR_PRECISION, 3), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, a, ATTR_DIG_DISP_LEFT, -15), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, a, ATTR_LABEL_LEFT, VAL_AUTO_CENTER), 0);
    SetCtrlVal(panel, a, 42.5);
    EXPECT_EQ(DefaultCtrl(panel, a), 0);
    double v = -1;
    GetCtrlVal(panel, a, &v);
    EXPECT_EQ(v, 0.0);
    ControlSnapshot snap;
    ASSERT_TRUE(GetControlSnapshot(panel, a, &snap));
    EXPECT_EQ(snap.label, "Power_0");
    EXPECT_EQ(snap.labelLeft, VAL_AUTO_CENTER);
    EXPECT_EQ(snap.valueText, "0.000");
    EXPECT_EQ(snap.maxValue, 100.0);
}

// ---------------------------------------------------------------------------------------------
// Graphs
// ---------------------------------------------------------------------------------------------
TEST_F(PanelModel, GraphPlotsAreStoredAndDrawnChangesRaiseTheRevision) {
    RecordingObserver observer;
    SetModelObserver(&observer);
    const double x[] = {1, 2, 3}, y[] = {10, 30, 20};
    int p1 = PlotXY(panel, GRAPH, x, y, 3, VAL_CONNECTED_POINTS, VAL_SMALL_SOLID_SQUARE, VAL_SOLID,
                    1, 0xFF0000);
    int p2 = PlotXY(panel, GRAPH, x, y, 2, VAL_THIN_LINE, VAL_NO_POINT, VAL_DASH, 1, 0x00FF00);
    EXPECT_GT(p1, 0);
    EXPECT_GT(p2, p1);
    ControlSnapshot snap;
    ASSERT_TRUE(GetControlSnapshot(panel, GRAPH, &snap));
    ASSERT_EQ(snap.plots.size(), 2u);
    EXPECT_EQ(snap.plots[0].y, (std::vector<double>{10, 30, 20}));
    EXPECT_EQ(snap.plots[1].x, (std::vector<double>{1, 2}));
    EXPECT_EQ(snap.plots[0].color, 0xFF0000);
    EXPECT_EQ(snap.plotsRevision, 2u);
    EXPECT_EQ(observer.controlBits(panel, GRAPH), CHANGE_PLOTS);

    // A delayed delete waits for RefreshGraph.
    ASSERT_EQ(DeleteGraphPlot(panel, GRAPH, p1, VAL_DELAYED_DRAW), 0);
    EXPECT_EQ(observer.controlBits(panel, GRAPH), 0u);
    GetControlSnapshot(panel, GRAPH, &snap);
    EXPECT_EQ(snap.plotsRevision, 2u);
    ASSERT_EQ(RefreshGraph(panel, GRAPH), 0);
    EXPECT_EQ(observer.controlBits(panel, GRAPH), CHANGE_PLOTS);
    GetControlSnapshot(panel, GRAPH, &snap);
    EXPECT_EQ(snap.plotsRevision, 3u);
    ASSERT_EQ(snap.plots.size(), 1u);
    EXPECT_EQ(snap.plots[0].handle, p2);

    EXPECT_EQ(SetPlotAttribute(panel, GRAPH, p2, ATTR_PLOT_LG_TEXT, std::string("Light Sensor")),
              0);
    EXPECT_EQ(SetPlotAttribute(panel, GRAPH, p2, ATTR_TRACE_COLOR, 0x0000FF), 0);
    std::string legend;
    int color = 0;
    GetPlotAttribute(panel, GRAPH, p2, ATTR_PLOT_LG_TEXT, &legend);
    GetPlotAttribute(panel, GRAPH, p2, ATTR_TRACE_COLOR, &color);
    EXPECT_EQ(legend, "Light Sensor");
    EXPECT_EQ(color, 0x0000FF);
    EXPECT_EQ(observer.controlBits(panel, GRAPH), CHANGE_PLOTS);

    EXPECT_EQ(DeleteGraphPlot(panel, GRAPH, p1, VAL_IMMEDIATE_DRAW), UIE_BadPlotHandle);
    EXPECT_EQ(SetPlotAttribute(panel, GRAPH, p1, ATTR_TRACE_COLOR, 0), UIE_BadPlotHandle);
    EXPECT_EQ(SetPlotAttribute(panel, GRAPH, p2, 9999, 0), UIE_BadAttribute);
    EXPECT_EQ(SetPlotAttribute(panel, GRAPH, p2, ATTR_PLOT_LG_TEXT, 3), UIE_BadArgument);
    EXPECT_EQ(PlotXY(panel, GRAPH, nullptr, y, 3, 0, 0, 0, 1, 0), UIE_BadArgument);
    EXPECT_EQ(PlotXY(panel, GRAPH, x, y, -1, 0, 0, 0, 1, 0), UIE_BadArgument);
    EXPECT_EQ(PlotXY(panel, RING, x, y, 3, 0, 0, 0, 1, 0), UIE_WrongControlKind);

    PlotXY(panel, GRAPH, x, y, 3, 0, 0, 0, 1, 0);
    ASSERT_EQ(DeleteGraphPlot(panel, GRAPH, -1, VAL_IMMEDIATE_DRAW), 0);
    int count = -1;
    GetNumGraphPlots(panel, GRAPH, &count);
    EXPECT_EQ(count, 0);
    SetModelObserver(nullptr);
}

TEST_F(PanelModel, AxisScalingManualLimitsAndAutoscaledDataRange) {
    int mode = -1;
    double min = 0, max = 0;
    ASSERT_EQ(GetAxisScalingMode(panel, GRAPH, VAL_LEFT_YAXIS, &mode, &min, &max), 0);
    EXPECT_EQ(mode, VAL_AUTOSCALE);
    const double x[] = {100, 160}, y[] = {-5, 25};
    PlotXY(panel, GRAPH, x, y, 2, 0, 0, 0, 1, 0);
    GetAxisScalingMode(panel, GRAPH, VAL_LEFT_YAXIS, &mode, &min, &max);
    EXPECT_EQ(min, -5.0);
    EXPECT_EQ(max, 25.0);

    ASSERT_EQ(SetAxisScalingMode(panel, GRAPH, VAL_XAXIS, VAL_MANUAL, 100, 160), 0);
    GetAxisScalingMode(panel, GRAPH, VAL_XAXIS, &mode, &min, &max);
    EXPECT_EQ(mode, VAL_MANUAL);
    EXPECT_EQ(min, 100.0);
    EXPECT_EQ(max, 160.0);
    EXPECT_EQ(SetAxisScalingMode(panel, GRAPH, VAL_XAXIS, VAL_MANUAL, 5, 5), UIE_BadAttributeValue);
    EXPECT_EQ(SetAxisScalingMode(panel, GRAPH, VAL_XAXIS, 7, 0, 1), UIE_BadArgument);
    EXPECT_EQ(SetAxisScalingMode(panel, GRAPH, 9, VAL_MANUAL, 0, 1), UIE_BadArgument);

    EXPECT_EQ(SetCtrlAttribute(panel, GRAPH, ATTR_XFORMAT, VAL_ABSOLUTE_TIME_FORMAT), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, GRAPH, ATTR_XAXIS_OFFSET, -100.0), 0);
    EXPECT_EQ(SetCtrlAttribute(panel, GRAPH, ATTR_LEGEND_VISIBLE, 1), 0);
    EXPECT_EQ(SetCursorAttribute(panel, GRAPH, 1, ATTR_CURSOR_MODE, 0), 0);
    EXPECT_EQ(SetCursorAttribute(panel, GRAPH, 0, ATTR_CURSOR_MODE, 0), UIE_BadArgument);
    EXPECT_EQ(SetCursorAttribute(panel, GRAPH, 1, ATTR_TRACE_COLOR, 0), UIE_BadAttribute);
    ControlSnapshot snap;
    GetControlSnapshot(panel, GRAPH, &snap);
    EXPECT_EQ(snap.xFormat, VAL_ABSOLUTE_TIME_FORMAT);
    EXPECT_EQ(snap.xOffset, -100.0);
    EXPECT_TRUE(snap.legendVisible);
    EXPECT_EQ(snap.xAxis.mode, VAL_MANUAL);
    EXPECT_EQ(snap.cursorModes.at(1), 0);
}

// ---------------------------------------------------------------------------------------------
// Callbacks and user actions
// ---------------------------------------------------------------------------------------------
struct CallRecord {
    int calls = 0;
    int panel = 0, control = 0, event = 0, data1 = 0, data2 = 0;
    void* data = nullptr;
};
CallRecord lastCall;

int RecordingCallback(int panel, int control, int event, void* data, int d1, int d2) {
    ++lastCall.calls;
    lastCall = {lastCall.calls, panel, control, event, d1, d2, data};
    return 42;
}

int DiscardingCallback(int panel, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) DiscardPanel(panel);
    return 0;
}

TEST_F(PanelModel, FireCtrlEventCallsTheInstalledCallbackAndReturnsItsResult) {
    lastCall = {};
    int tag = 0;
    EXPECT_EQ(FireCtrlEvent(panel, INT_NUM, EVENT_COMMIT), 0); // no callback: 0
    ASSERT_EQ(InstallCtrlCallback(panel, INT_NUM, RecordingCallback, &tag), 0);
    CtrlCallbackPtr fn = nullptr;
    void* data = nullptr;
    ASSERT_EQ(GetCtrlCallback(panel, INT_NUM, &fn, &data), 0);
    EXPECT_EQ(fn, &RecordingCallback);
    EXPECT_EQ(data, &tag);
    EXPECT_EQ(FireCtrlEvent(panel, INT_NUM, EVENT_KEYPRESS, VAL_F1_VKEY, 3), 42);
    EXPECT_EQ(lastCall.calls, 1);
    EXPECT_EQ(lastCall.panel, panel);
    EXPECT_EQ(lastCall.control, INT_NUM);
    EXPECT_EQ(lastCall.event, EVENT_KEYPRESS);
    EXPECT_EQ(lastCall.data1, VAL_F1_VKEY);
    EXPECT_EQ(lastCall.data2, 3);
    EXPECT_EQ(lastCall.data, &tag);
    EXPECT_EQ(FireCtrlEvent(panel, 99, EVENT_COMMIT), UIE_BadControlId);
    EXPECT_EQ(InstallCtrlCallback(panel, 99, RecordingCallback, nullptr), UIE_BadControlId);
}

TEST_F(PanelModel, UserSetCtrlValCommitsOnlyOnAChangeOrForAButton) {
    lastCall = {};
    for (int c : {INT_NUM, RING, TOGGLE, BUTTON, BOX})
        InstallCtrlCallback(panel, c, RecordingCallback, nullptr);
    struct Case {
        int control;
        const char* text;
        int status;
        int commits;
    };
    const Case cases[] = {
        {INT_NUM, "5", 0, 0}, // unchanged
        {INT_NUM, "6", 0, 1},
        {INT_NUM, "six", UIE_BadAttributeValue, 0},
        {RING, "X4", 0, 1}, // by label
        {RING, "4", 0, 0},  // by value, already selected
        {RING, "X3", UIE_BadAttributeValue, 0},
        {TOGGLE, "ON", 0, 1}, // by state text
        {TOGGLE, "1", 0, 0},
        {TOGGLE, "0", 0, 1},
        {TOGGLE, "maybe", UIE_BadAttributeValue, 0},
        {BUTTON, "", 0, 1},
        {BUTTON, "", 0, 1},
        {BOX, "typed over", 0, 1}, // a person replaces a text box's text
        {MSG, "x", UIE_WrongControlKind, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.control) + " <- " + c.text);
        int before = lastCall.calls;
        EXPECT_EQ(UserSetCtrlVal(panel, c.control, c.text), c.status);
        EXPECT_EQ(lastCall.calls - before, c.commits);
        if (c.commits) {
            EXPECT_EQ(lastCall.event, EVENT_COMMIT);
        }
    }
    std::string text;
    GetCtrlVal(panel, BOX, &text);
    EXPECT_EQ(text, "typed over");

    // A dimmed control cannot be operated.
    SetCtrlAttribute(panel, BUTTON, ATTR_DIMMED, 1);
    int before = lastCall.calls;
    EXPECT_LT(UserSetCtrlVal(panel, BUTTON, ""), 0);
    EXPECT_EQ(lastCall.calls, before);
}

TEST_F(PanelModel, IndicatorModeIsReadAndSetAndThePersonCannotOperateAnIndicator) {
    // Every control of a file without readOnly is hot.
    for (int c = INT_NUM; c <= GRAPH; ++c) {
        int mode = -1;
        ASSERT_EQ(GetCtrlAttribute(panel, c, ATTR_CTRL_MODE, &mode), 0) << c;
        EXPECT_EQ(mode, VAL_HOT) << c;
    }
    RecordingObserver observer;
    SetModelObserver(&observer);
    ASSERT_EQ(SetCtrlAttribute(panel, INT_NUM, ATTR_CTRL_MODE, VAL_INDICATOR), 0);
    EXPECT_EQ(observer.controlBits(panel, INT_NUM), uint32_t(CHANGE_APPEARANCE));
    ASSERT_EQ(SetCtrlAttribute(panel, INT_NUM, ATTR_CTRL_MODE, VAL_INDICATOR), 0);
    EXPECT_EQ(observer.controlBits(panel, INT_NUM), 0u); // unchanged: nothing to show
    SetModelObserver(nullptr);
    int mode = -1;
    GetCtrlAttribute(panel, INT_NUM, ATTR_CTRL_MODE, &mode);
    EXPECT_EQ(mode, VAL_INDICATOR);
    ControlSnapshot cs;
    ASSERT_TRUE(GetControlSnapshot(panel, INT_NUM, &cs));
    EXPECT_TRUE(cs.indicator);
    ASSERT_TRUE(GetControlSnapshot(panel, DBL_NUM, &cs));
    EXPECT_FALSE(cs.indicator);

    // Only the two modes, as an int.
    EXPECT_EQ(SetCtrlAttribute(panel, STR, ATTR_CTRL_MODE, 2), UIE_BadAttributeValue);
    EXPECT_EQ(SetCtrlAttribute(panel, STR, ATTR_CTRL_MODE, -1), UIE_BadAttributeValue);
    EXPECT_EQ(SetCtrlAttribute(panel, STR, ATTR_CTRL_MODE, 0.0), UIE_BadArgument);
    GetCtrlAttribute(panel, STR, ATTR_CTRL_MODE, &mode);
    EXPECT_EQ(mode, VAL_HOT);

    // The person's entries are refused like those of a dimmed control; the program's are not.
    lastCall = {};
    for (int c : {INT_NUM, RING, BUTTON})
        InstallCtrlCallback(panel, c, RecordingCallback, nullptr);
    SetCtrlAttribute(panel, RING, ATTR_CTRL_MODE, VAL_INDICATOR);
    SetCtrlAttribute(panel, BUTTON, ATTR_CTRL_MODE, VAL_INDICATOR);
    EXPECT_EQ(UserSetCtrlVal(panel, INT_NUM, "6"), UIE_BadArgument);
    EXPECT_EQ(UserSetCtrlVal(panel, RING, "X4"), UIE_BadArgument);
    EXPECT_EQ(UserSetCtrlVal(panel, BUTTON, ""), UIE_BadArgument);
    EXPECT_EQ(lastCall.calls, 0);
    int value = 0;
    GetCtrlVal(panel, INT_NUM, &value);
    EXPECT_EQ(value, 5);
    int index = -1;
    GetCtrlIndex(panel, RING, &index);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(SetCtrlVal(panel, INT_NUM, 7), 0);
    GetCtrlVal(panel, INT_NUM, &value);
    EXPECT_EQ(value, 7);

    // Hot again, the person operates it.
    ASSERT_EQ(SetCtrlAttribute(panel, INT_NUM, ATTR_CTRL_MODE, VAL_HOT), 0);
    EXPECT_EQ(UserSetCtrlVal(panel, INT_NUM, "6"), 0);
    EXPECT_EQ(lastCall.calls, 1);
    EXPECT_EQ(lastCall.event, EVENT_COMMIT);
    GetCtrlVal(panel, INT_NUM, &value);
    EXPECT_EQ(value, 6);
}

TEST_F(PanelModel, ACallbackMayDiscardItsOwnPanel) {
    InstallCtrlCallback(panel, BUTTON, DiscardingCallback, nullptr);
    EXPECT_EQ(UserSetCtrlVal(panel, BUTTON, ""), 0);
    EXPECT_FALSE(PanelExists(panel));
    EXPECT_EQ(FireCtrlEvent(panel, BUTTON, EVENT_COMMIT), UIE_BadPanelHandle);
    int v = 0;
    EXPECT_EQ(GetCtrlVal(panel, INT_NUM, &v), UIE_BadPanelHandle);
}

int panelEvents = 0;
int PanelCallback(int, int event, void* data, int, int) {
    panelEvents += event;
    return *static_cast<int*>(data);
}

TEST_F(PanelModel, PanelCallbackGetsPanelEvents) {
    int result = 7;
    panelEvents = 0;
    EXPECT_EQ(FirePanelEvent(panel, EVENT_CLOSE), 0);
    ASSERT_EQ(InstallPanelCallback(panel, PanelCallback, &result), 0);
    PanelCallbackPtr fn = nullptr;
    void* data = nullptr;
    GetPanelCallback(panel, &fn, &data);
    EXPECT_EQ(fn, &PanelCallback);
    EXPECT_EQ(data, &result);
    EXPECT_EQ(FirePanelEvent(panel, EVENT_CLOSE), 7);
    EXPECT_EQ(panelEvents, EVENT_CLOSE);
    EXPECT_EQ(FirePanelEvent(9999, EVENT_CLOSE), UIE_BadPanelHandle);
    EXPECT_EQ(InstallPanelCallback(9999, PanelCallback, nullptr), UIE_BadPanelHandle);
}

// ---------------------------------------------------------------------------------------------
// Panels
// ---------------------------------------------------------------------------------------------
TEST_F(PanelModel, PanelAttributesPositionAndActivePanel) {
    std::string s;
    int i = 0;
    EXPECT_EQ(GetPanelAttribute(panel, ATTR_TITLE, &s), 0);
    EXPECT_EQ(s, "Mixed");
    EXPECT_EQ(GetPanelAttribute(panel, ATTR_CONSTANT_NAME, &s), 0);
    EXPECT_EQ(s, "MIXED");
    EXPECT_EQ(SetPanelAttribute(panel, ATTR_CONSTANT_NAME, std::string("X")), UIE_BadAttribute);
    EXPECT_EQ(SetPanelAttribute(panel, ATTR_TITLE, std::string("Arvel7 1.0.0.0")), 0);
    GetPanelAttribute(panel, ATTR_TITLE, &s);
    EXPECT_EQ(s, "Arvel7 1.0.0.0");
    GetPanelAttribute(panel, ATTR_VISIBLE, &i);
    EXPECT_EQ(i, 0);
    ASSERT_EQ(DisplayPanel(panel), 0);
    GetPanelAttribute(panel, ATTR_VISIBLE, &i);
    EXPECT_EQ(i, 1);
    EXPECT_EQ(HidePanel(panel), 0);
    GetPanelAttribute(panel, ATTR_VISIBLE, &i);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(GetPanelAttribute(panel, 9999, &i), UIE_BadAttribute);
    EXPECT_EQ(GetPanelAttribute(panel, ATTR_TITLE, &i), UIE_BadArgument);
    EXPECT_EQ(SetPanelAttribute(panel, ATTR_WIDTH, -5), UIE_BadAttributeValue);
    EXPECT_EQ(DisplayPanel(9999), UIE_BadPanelHandle);

    EXPECT_EQ(GetActivePanel(), 0);
    ASSERT_EQ(SetActivePanel(panel), 0);
    EXPECT_EQ(GetActivePanel(), panel);
    EXPECT_EQ(SetActivePanel(9999), UIE_BadPanelHandle);

    ASSERT_EQ(SetPanelPos(panel, 40, 50), 0);
    GetPanelAttribute(panel, ATTR_TOP, &i);
    EXPECT_EQ(i, 40);
    GetPanelAttribute(panel, ATTR_LEFT, &i);
    EXPECT_EQ(i, 50);
    ASSERT_EQ(SetPanelPos(panel, VAL_AUTO_CENTER, VAL_AUTO_CENTER), 0);
    PanelSnapshot snap;
    ASSERT_TRUE(GetPanelSnapshot(panel, &snap));
    EXPECT_TRUE(snap.centerOnScreen);
    EXPECT_TRUE(snap.active);
    ASSERT_TRUE(GetPanelSnapshot(panel, &snap));
    EXPECT_FALSE(snap.centerOnScreen) << "reported once";
    EXPECT_EQ(snap.controls.size(), 13u);

    DiscardPanel(panel);
    EXPECT_EQ(GetActivePanel(), 0);
    EXPECT_FALSE(GetPanelSnapshot(panel, &snap));
}

TEST_F(PanelModel, ScaleContentsOnResizeScalesControlsWithThePanel) {
    int left = 0, width = 0;
    ASSERT_EQ(SetPanelAttribute(panel, ATTR_WIDTH, 1200), 0); // scaling off: controls stay
    GetCtrlAttribute(panel, INT_NUM, ATTR_WIDTH, &width);
    EXPECT_EQ(width, 80);
    SetPanelAttribute(panel, ATTR_WIDTH, 600);
    ASSERT_EQ(SetPanelAttribute(panel, ATTR_SCALE_CONTENTS_ON_RESIZE, 1), 0);
    ASSERT_EQ(SetPanelAttribute(panel, ATTR_WIDTH, 1200), 0);
    GetCtrlAttribute(panel, INT_NUM, ATTR_WIDTH, &width);
    GetCtrlAttribute(panel, INT_NUM, ATTR_LEFT, &left);
    EXPECT_EQ(width, 160);
    EXPECT_EQ(left, 20);
    NoteUserResize(panel, 600, 200);
    int height = 0, top = 0;
    GetCtrlAttribute(panel, BOX, ATTR_HEIGHT, &height);
    GetCtrlAttribute(panel, GRAPH, ATTR_TOP, &top);
    EXPECT_EQ(height, 50);
    EXPECT_EQ(top, 100);
    GetPanelAttribute(panel, ATTR_HEIGHT, &height);
    EXPECT_EQ(height, 200);
}

TEST_F(ModelTest, DiscardPanelTakesItsChildrenAndMenuBarAlong) {
    int parent = emptyPanel();
    int child = load(EmptyPanelDoc("CHILD", 100, 50), "child.uir", parent);
    int grandchild = load(EmptyPanelDoc("GRAND", 10, 10), "grand.uir", child);
    ASSERT_GT(grandchild, 0);
    int i = 0;
    GetPanelAttribute(grandchild, ATTR_PANEL_PARENT, &i);
    EXPECT_EQ(i, child);
    PanelSnapshot snap;
    GetPanelSnapshot(parent, &snap);
    EXPECT_EQ(snap.childPanels, std::vector<int>{child});
    EXPECT_EQ(GetTopLevelPanels(), std::vector<int>{parent});

    folder.write("menu.uir",
                 UiDoc(Widget("QMainWindow", "MW",
                              Widget("QMenuBar", "MENUBAR",
                                     Widget("QMenu", "MENU1",
                                            StringProp("title", "File") +
                                                "<addaction name=\"EXIT_ALL\"/>\n") +
                                         "<addaction name=\"MENU1\"/>\n") +
                                  "<action name=\"EXIT_ALL\"><property "
                                  "name=\"text\"><string>Exit</string></property></action>\n")));
    int bar = LoadMenuBar(child, "menu.uir", 1);
    ASSERT_GT(bar, 0);

    RecordingObserver observer;
    SetModelObserver(&observer);
    ASSERT_EQ(DiscardPanel(child), 0);
    auto log = observer.take();
    // Children go before their parents, each with one notification.
    std::vector<Notification> discarded;
    for (const auto& n : log)
        if (n.what == "panelDiscarded") discarded.push_back(n);
    EXPECT_EQ(discarded, (std::vector<Notification>{{"panelDiscarded", grandchild, 0, 0},
                                                    {"panelDiscarded", child, 0, 0}}));
    EXPECT_FALSE(PanelExists(child));
    EXPECT_FALSE(PanelExists(grandchild));
    EXPECT_TRUE(PanelExists(parent));
    int first = 0;
    EXPECT_EQ(GetMenuBarAttribute(bar, 0, ATTR_FIRST_MENU_ID, &first), UIE_BadMenuHandle);
    GetPanelSnapshot(parent, &snap);
    EXPECT_TRUE(snap.childPanels.empty());
    EXPECT_EQ(DiscardPanel(child), UIE_BadPanelHandle);
    SetModelObserver(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Observer
// ---------------------------------------------------------------------------------------------
TEST_F(PanelModel, ObserverGetsTheRightChangeBits) {
    RecordingObserver observer;
    SetModelObserver(&observer);
    struct Case {
        const char* what;
        std::function<void()> change;
        int control;
        uint32_t bits;
    };
    const Case cases[] = {
        {"value", [&] { SetCtrlVal(panel, INT_NUM, 9); }, INT_NUM, CHANGE_VALUE},
        {"same value", [&] { SetCtrlVal(panel, INT_NUM, 9); }, INT_NUM, 0},
        {"refused value", [&] { SetCtrlVal(panel, INT_NUM, "x"); }, INT_NUM, 0},
        {"dimmed", [&] { SetCtrlAttribute(panel, STR, ATTR_DIMMED, 1); }, STR, CHANGE_APPEARANCE},
        {"label", [&] { SetCtrlAttribute(panel, STR, ATTR_LABEL_TEXT, std::string("L")); }, STR,
         CHANGE_APPEARANCE},
        {"left", [&] { SetCtrlAttribute(panel, STR, ATTR_LEFT, 77); }, STR, CHANGE_GEOMETRY},
        {"height", [&] { SetCtrlAttribute(panel, STR, ATTR_HEIGHT, 30); }, STR, CHANGE_GEOMETRY},
        {"ring item", [&] { InsertListItem(panel, RING, -1, "X96", 96); }, RING, CHANGE_ITEMS},
        {"ring selection", [&] { SetCtrlIndex(panel, RING, 0); }, RING, CHANGE_VALUE},
        {"append", [&] { SetCtrlVal(panel, BOX, "more"); }, BOX, CHANGE_VALUE | CHANGE_SCROLL},
        {"scroll", [&] { SetCtrlAttribute(panel, BOX, ATTR_FIRST_VISIBLE_LINE, 0); }, BOX,
         CHANGE_SCROLL},
        {"on text", [&] { SetCtrlAttribute(panel, TOGGLE, ATTR_ON_TEXT, std::string("OFF/ON")); },
         TOGGLE, CHANGE_APPEARANCE},
        {"graph name", [&] { SetCtrlAttribute(panel, GRAPH, ATTR_YNAME, std::string("a.u.")); },
         GRAPH, CHANGE_PLOTS},
        {"user scroll", [&] { NoteUserScroll(panel, BOX, 1); }, BOX, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        observer.take();
        c.change();
        EXPECT_EQ(observer.controlBits(panel, c.control), c.bits);
    }

    observer.take();
    SetPanelAttribute(panel, ATTR_TITLE, std::string("New"));
    SetPanelAttribute(panel, ATTR_HEIGHT, 500);
    NoteUserResize(panel, 700, 500); // the view's own resize comes not back
    int id = NewCtrl(panel, CTRL_STRING, "", 0, 0);
    DiscardCtrl(panel, id);
    int child = load(EmptyPanelDoc("CHILD"), "child.uir", panel);
    EXPECT_EQ(observer.take(), (std::vector<Notification>{
                                   {"panelChanged", panel, 0, CHANGE_APPEARANCE},
                                   {"panelChanged", panel, 0, CHANGE_GEOMETRY},
                                   {"controlCreated", panel, id, 0},
                                   {"controlDiscarded", panel, id, 0},
                                   {"panelCreated", child, 0, 0},
                               }));
    SetModelObserver(nullptr);
    SetCtrlVal(panel, INT_NUM, 10);
    EXPECT_TRUE(observer.take().empty());
}

// ---------------------------------------------------------------------------------------------
// Menus
// ---------------------------------------------------------------------------------------------
std::string MenuDoc() {
    std::string file =
        Widget("QMenu", "MENU1", StringProp("title", "File") + "<addaction name=\"EXIT_ALL\"/>\n");
    std::string sub =
        Widget("QMenu", "SUBMENU", StringProp("title", "More") + "<addaction name=\"EXEC_3\"/>\n");
    std::string options = Widget("QMenu", "MENU2",
                                 StringProp("title", "Options") + sub +
                                     "<addaction name=\"LOAD0_GetProductIn\"/>\n"
                                     "<addaction name=\"separator\"/>\n"
                                     "<addaction name=\"SUBMENU\"/>\n"
                                     "<addaction name=\"EXEC_2\"/>\n");
    std::string bar = Widget("QMenuBar", "MENUBAR",
                             file + options +
                                 "<addaction name=\"MENU1\"/>\n"
                                 "<addaction name=\"MENU2\"/>\n");
    auto action = [](const std::string& name, const std::string& text) {
        return "<action name=\"" + name + "\">" + StringProp("text", text) + "</action>\n";
    };
    return UiDoc(
        Widget("QMainWindow", "MENUWINDOW",
               Geometry(0, 0, 300, 200) + Widget("QWidget", "centralwidget", "") + bar +
                   action("EXIT_ALL", "Exit") + action("LOAD0_GetProductIn", "Configuration") +
                   action("EXEC_2", "Firmware Update") + action("EXEC_3", "Software User Manual")));
}

struct MenuCall {
    int bar = 0, item = 0, panel = 0;
    void* data = nullptr;
} lastMenuCall;

void MenuCallback(int bar, int item, void* data, int panel) {
    lastMenuCall = {bar, item, panel, data};
}

TEST_F(PanelModel, MenuBarWalkNamesLabelsAndCallbacks) {
    folder.write("DEFAULTMENU.UIR", MenuDoc());
    int bar = LoadMenuBar(panel, "defaultmenu.uir", 1);
    ASSERT_GT(bar, 0);
    EXPECT_EQ(GetPanelMenuBar(panel), bar);

    std::vector<std::string> walk;
    int menu = 0;
    ASSERT_EQ(GetMenuBarAttribute(bar, 0, ATTR_FIRST_MENU_ID, &menu), 0);
    while (menu) {
        std::string name, label;
        GetMenuBarAttribute(bar, menu, ATTR_MENU_CONSTANT_NAME, &name);
        GetMenuBarAttribute(bar, menu, ATTR_MENU_NAME, &label);
        walk.push_back(name + "/" + label);
        int item = 0;
        GetMenuBarAttribute(bar, menu, ATTR_FIRST_ITEM_ID, &item);
        while (item) {
            GetMenuBarAttribute(bar, item, ATTR_MENU_CONSTANT_NAME, &name);
            GetMenuBarAttribute(bar, item, ATTR_MENU_NAME, &label);
            walk.push_back("  " + name + "/" + label);
            ASSERT_EQ(GetMenuBarAttribute(bar, item, ATTR_NEXT_ITEM_ID, &item), 0);
        }
        ASSERT_EQ(GetMenuBarAttribute(bar, menu, ATTR_NEXT_MENU_ID, &menu), 0);
    }
    EXPECT_EQ(walk, (std::vector<std::string>{"MENU1/File", "  EXIT_ALL/Exit", "MENU2/Options",
                                              "  LOAD0_GetProductIn/Configuration",
                                              "  SUBMENU/More", "  EXEC_2/Firmware Update"}));

    // Find the submenu item and its submenu's item.
    int options = 0, item = 0, submenu = 0;
    GetMenuBarAttribute(bar, 0, ATTR_FIRST_MENU_ID, &options);
    GetMenuBarAttribute(bar, options, ATTR_NEXT_MENU_ID, &options);
    GetMenuBarAttribute(bar, options, ATTR_FIRST_ITEM_ID, &item);
    GetMenuBarAttribute(bar, item, ATTR_NEXT_ITEM_ID, &item);
    ASSERT_EQ(GetMenuBarAttribute(bar, item, ATTR_SUBMENU_ID, &submenu), 0);
    ASSERT_GT(submenu, 0);
    int subItem = 0;
    GetMenuBarAttribute(bar, submenu, ATTR_FIRST_ITEM_ID, &subItem);
    std::string name;
    GetMenuBarAttribute(bar, subItem, ATTR_MENU_CONSTANT_NAME, &name);
    EXPECT_EQ(name, "EXEC_3");

    int exitItem = 0, file = 0;
    GetMenuBarAttribute(bar, 0, ATTR_FIRST_MENU_ID, &file);
    GetMenuBarAttribute(bar, file, ATTR_FIRST_ITEM_ID, &exitItem);
    int tag = 0;
    lastMenuCall = {};
    EXPECT_EQ(FireMenuItem(bar, exitItem), 0); // no callback yet
    EXPECT_EQ(lastMenuCall.bar, 0);
    ASSERT_EQ(InstallMenuCallback(bar, exitItem, MenuCallback, &tag), 0);
    MenuCallbackPtr fn = nullptr;
    void* data = nullptr;
    GetMenuCallback(bar, exitItem, &fn, &data);
    EXPECT_EQ(fn, &MenuCallback);
    EXPECT_EQ(data, &tag);
    EXPECT_EQ(FireMenuItem(bar, exitItem), 0);
    EXPECT_EQ(lastMenuCall.bar, bar);
    EXPECT_EQ(lastMenuCall.item, exitItem);
    EXPECT_EQ(lastMenuCall.panel, panel);
    EXPECT_EQ(lastMenuCall.data, &tag);

    PanelSnapshot snap;
    GetPanelSnapshot(panel, &snap);
    ASSERT_EQ(snap.menus.size(), 2u);
    EXPECT_TRUE(snap.menus[0].items[0].hasCallback);
    EXPECT_FALSE(snap.menus[1].items[0].hasCallback);

    int v = 0;
    EXPECT_EQ(GetMenuBarAttribute(9999, 0, ATTR_FIRST_MENU_ID, &v), UIE_BadMenuHandle);
    EXPECT_EQ(GetMenuBarAttribute(bar, 999, ATTR_FIRST_ITEM_ID, &v), UIE_BadMenuHandle);
    EXPECT_EQ(GetMenuBarAttribute(bar, exitItem, ATTR_FIRST_ITEM_ID, &v), UIE_BadArgument);
    EXPECT_EQ(GetMenuBarAttribute(bar, file, 9999, &v), UIE_BadAttribute);
    EXPECT_EQ(InstallMenuCallback(bar, file, MenuCallback, nullptr), UIE_BadMenuHandle);
    EXPECT_EQ(FireMenuItem(bar, 999), UIE_BadMenuHandle);

    // A second bar replaces the first.
    int second = LoadMenuBar(panel, "DefaultMenu.uir", 1);
    ASSERT_GT(second, 0);
    EXPECT_EQ(GetPanelMenuBar(panel), second);
    EXPECT_EQ(GetMenuBarAttribute(bar, 0, ATTR_FIRST_MENU_ID, &v), UIE_BadMenuHandle);
    EXPECT_EQ(DiscardMenuBar(second), 0);
    EXPECT_EQ(GetPanelMenuBar(panel), 0);
    EXPECT_EQ(DiscardMenuBar(second), UIE_BadMenuHandle);
}

} // namespace
