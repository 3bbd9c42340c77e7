// Indicators on the screen: a number or text marked readOnly in the panel file shows what the
// program sets, and nothing a person types or clicks reaches the model or fires a commit.
// Rings and buttons in indicator mode take no input. Switching the mode at run time works both
// ways.
#include "tests/view/view_fixture.h"

#include "runtime/qt/view.h"
#include "runtime/userint.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <map>

namespace {

const std::string kReadOnly = "<property name=\"readOnly\"><bool>true</bool></property>";

const std::string kControls =
    UiControl("QSpinBox", "Y_D_OUT_0", 10, 30, 100, 24,
              kReadOnly +
                  "<property name=\"maximum\"><number>1000</number></property>"
                  "<property name=\"value\"><number>5</number></property>" +
                  UiText("label", "Y reply")) +
    UiControl("QDoubleSpinBox", "F_D_OUT_0", 130, 30, 100, 24,
              kReadOnly + "<property name=\"decimals\"><number>2</number></property>"
                          "<property name=\"maximum\"><double>100.0</double></property>") +
    UiControl("QLineEdit", "D_S_OUT_0", 10, 80, 200, 24,
              kReadOnly + UiText("label", "Light Sensor")) +
    UiControl("QSpinBox", "NUM", 250, 80, 100, 24,
              "<property name=\"maximum\"><number>1000</number></property>") +
    UiControl("QComboBox", "RING", 10, 130, 160, 24,
              "<item><property name=\"text\"><string>X1</string></property></item>"
              "<item><property name=\"text\"><string>X2</string></property></item>") +
    UiControl("QPushButton", "TOGGLE", 200, 130, 100, 28,
              "<property name=\"checkable\"><bool>true</bool></property>");

class IndicatorTest : public ControlsPanelTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        openControls("indicator.uir", kControls,
                     {"Y_D_OUT_0", "F_D_OUT_0", "D_S_OUT_0", "NUM", "RING", "TOGGLE"});
    }

    int mode(const char* name) {
        int m = -1;
        EXPECT_EQ(GetCtrlAttribute(panel_, ids_.at(name), ATTR_CTRL_MODE, &m), 0);
        return m;
    }
};

TEST_F(IndicatorTest, ReadOnlyNumbersAndTextsAreIndicatorsAndOtherControlsAreHot) {
    EXPECT_EQ(mode("Y_D_OUT_0"), VAL_INDICATOR);
    EXPECT_EQ(mode("F_D_OUT_0"), VAL_INDICATOR);
    EXPECT_EQ(mode("D_S_OUT_0"), VAL_INDICATOR);
    EXPECT_EQ(mode("NUM"), VAL_HOT);

    auto* box = widget<QSpinBox>("Y_D_OUT_0");
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(box->buttonSymbols(), QAbstractSpinBox::NoButtons);
    EXPECT_TRUE(box->isEnabled()); // read-only, not greyed
    auto* dbl = widget<QDoubleSpinBox>("F_D_OUT_0");
    EXPECT_TRUE(dbl->isReadOnly());
    EXPECT_EQ(dbl->buttonSymbols(), QAbstractSpinBox::NoButtons);
    auto* edit = widget<QLineEdit>("D_S_OUT_0");
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_TRUE(edit->isEnabled());

    auto* hot = widget<QSpinBox>("NUM");
    EXPECT_FALSE(hot->isReadOnly());
    EXPECT_NE(hot->buttonSymbols(), QAbstractSpinBox::NoButtons);
    EXPECT_TRUE(widget<QComboBox>("RING")->isEnabled());
    EXPECT_TRUE(widget<QPushButton>("TOGGLE")->isEnabled());
}

TEST_F(IndicatorTest, TypingEnterArrowsAndLeavingAnIndicatorNumberCommitNothing) {
    auto* box = widget<QSpinBox>("Y_D_OUT_0");
    focus(box);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, "42");
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Up);
    QTest::keyClick(box, Qt::Key_PageUp);
    focus(widget<QLineEdit>("D_S_OUT_0"));
    spin(30);

    int value = 0;
    ASSERT_EQ(GetCtrlVal(panel_, ids_["Y_D_OUT_0"], &value), 0);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(box->value(), 5);
    EXPECT_EQ(commits("Y_D_OUT_0"), 0u);
    // The key presses still reach the callback, and so does the loss of the focus.
    EXPECT_FALSE(eventsOf(panel_, ids_["Y_D_OUT_0"], EVENT_KEYPRESS).empty());
    EXPECT_EQ(eventsOf(panel_, ids_["Y_D_OUT_0"], EVENT_LOST_FOCUS).size(), 1u);
}

TEST_F(IndicatorTest, TypingAndEnterInAnIndicatorTextCommitNothing) {
    SetCtrlVal(panel_, ids_["D_S_OUT_0"], std::string("123"));
    FlushQtView();
    auto* edit = widget<QLineEdit>("D_S_OUT_0");
    focus(edit);
    QTest::keyClicks(edit, "V:0");
    QTest::keyClick(edit, Qt::Key_Return);
    focus(widget<QSpinBox>("NUM"));
    spin(30);

    std::string text;
    GetCtrlVal(panel_, ids_["D_S_OUT_0"], &text);
    EXPECT_EQ(text, "123");
    EXPECT_EQ(edit->text(), "123");
    EXPECT_EQ(commits("D_S_OUT_0"), 0u);
}

TEST_F(IndicatorTest, ValuesSetByTheProgramAppearInIndicators) {
    SetCtrlVal(panel_, ids_["Y_D_OUT_0"], 317);
    SetCtrlVal(panel_, ids_["F_D_OUT_0"], 12.25);
    SetCtrlVal(panel_, ids_["D_S_OUT_0"], std::string("1017"));
    FlushQtView();
    EXPECT_EQ(widget<QSpinBox>("Y_D_OUT_0")->value(), 317);
    EXPECT_DOUBLE_EQ(widget<QDoubleSpinBox>("F_D_OUT_0")->value(), 12.25);
    EXPECT_EQ(widget<QLineEdit>("D_S_OUT_0")->text(), "1017");

    // Also while the indicator has the focus (a person looking at it).
    auto* edit = widget<QLineEdit>("D_S_OUT_0");
    focus(edit);
    QTest::keyClicks(edit, "x");
    SetCtrlVal(panel_, ids_["D_S_OUT_0"], std::string("1018"));
    FlushQtView();
    EXPECT_EQ(edit->text(), "1018");
    EXPECT_EQ(commits("D_S_OUT_0"), 0u);
}

TEST_F(IndicatorTest, TheModeCanBeSwitchedAtRunTime) {
    // A hot number made an indicator while a person types in it: the typed number gives way
    // to the model's, and nothing is committed.
    auto* num = widget<QSpinBox>("NUM");
    focus(num);
    QTest::keyClick(num, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(num, "7");
    ASSERT_EQ(SetCtrlAttribute(panel_, ids_["NUM"], ATTR_CTRL_MODE, VAL_INDICATOR), 0);
    FlushQtView();
    EXPECT_TRUE(num->isReadOnly());
    EXPECT_EQ(num->text(), "0");
    QTest::keyClicks(num, "8");
    QTest::keyClick(num, Qt::Key_Return);
    EXPECT_EQ(num->text(), "0");
    EXPECT_EQ(commits("NUM"), 0u);
    int value = -1;
    GetCtrlVal(panel_, ids_["NUM"], &value);
    EXPECT_EQ(value, 0);

    // An indicator made hot takes entries and commits them.
    ASSERT_EQ(SetCtrlAttribute(panel_, ids_["Y_D_OUT_0"], ATTR_CTRL_MODE, VAL_HOT), 0);
    FlushQtView();
    auto* box = widget<QSpinBox>("Y_D_OUT_0");
    EXPECT_FALSE(box->isReadOnly());
    EXPECT_NE(box->buttonSymbols(), QAbstractSpinBox::NoButtons);
    focus(box);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, "42");
    QTest::keyClick(box, Qt::Key_Return);
    spin(30);
    GetCtrlVal(panel_, ids_["Y_D_OUT_0"], &value);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(commits("Y_D_OUT_0"), 1u);
}

TEST_F(IndicatorTest, RingsAndButtonsInIndicatorModeTakeNoInput) {
    ASSERT_EQ(SetCtrlAttribute(panel_, ids_["RING"], ATTR_CTRL_MODE, VAL_INDICATOR), 0);
    ASSERT_EQ(SetCtrlAttribute(panel_, ids_["TOGGLE"], ATTR_CTRL_MODE, VAL_INDICATOR), 0);
    FlushQtView();
    auto* ring = widget<QComboBox>("RING");
    auto* toggle = widget<QPushButton>("TOGGLE");
    EXPECT_FALSE(ring->isEnabled());
    EXPECT_FALSE(toggle->isEnabled());
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(commits("TOGGLE"), 0u);

    // The program still sets them.
    SetCtrlIndex(panel_, ids_["RING"], 1);
    SetCtrlVal(panel_, ids_["TOGGLE"], 1);
    FlushQtView();
    EXPECT_EQ(ring->currentIndex(), 1);
    EXPECT_TRUE(toggle->isChecked());

    // Hot again: enabled again, unless dimmed.
    SetCtrlAttribute(panel_, ids_["RING"], ATTR_DIMMED, 1);
    SetCtrlAttribute(panel_, ids_["RING"], ATTR_CTRL_MODE, VAL_HOT);
    SetCtrlAttribute(panel_, ids_["TOGGLE"], ATTR_CTRL_MODE, VAL_HOT);
    FlushQtView();
    EXPECT_FALSE(ring->isEnabled());
    EXPECT_TRUE(toggle->isEnabled());
    SetCtrlAttribute(panel_, ids_["RING"], ATTR_DIMMED, 0);
    FlushQtView();
    EXPECT_TRUE(ring->isEnabled());
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(commits("TOGGLE"), 1u);
}

} // namespace
