// A person's actions on the widgets reach the model and fire the callbacks on the
// user-interface thread: commits, key presses, lost focus.
#include "tests/view/view_fixture.h"

#include "runtime/qt/view.h"
#include "runtime/userint.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace {

const std::string kControls =
    UiControl("QSpinBox", "NUM", 10, 30, 100, 24,
              "<property name=\"minimum\"><number>0</number></property>"
              "<property name=\"maximum\"><number>1000</number></property>"
              "<property name=\"value\"><number>5</number></property>" +
                  UiText("label", "Number")) +
    UiControl("QDoubleSpinBox", "DBL", 130, 30, 100, 24,
              "<property name=\"decimals\"><number>2</number></property>"
              "<property name=\"maximum\"><double>100.0</double></property>") +
    UiControl("QLineEdit", "TEXT", 10, 80, 200, 24, UiText("label", "Command:")) +
    UiControl("QPushButton", "TOGGLE", 10, 120, 100, 28,
              "<property name=\"checkable\"><bool>true</bool></property>" + UiText("onText", "ON") +
                  UiText("offText", "OFF") +
                  "<property name=\"onValue\" stdset=\"0\"><number>7</number></property>"
                  "<property name=\"offValue\" stdset=\"0\"><number>3</number></property>") +
    UiControl("QComboBox", "RING", 10, 170, 160, 24,
              UiText("label", "Port") + UiText("dataType", "string") +
                  UiText("itemValues", "none;COM1;COM2") +
                  "<item><property name=\"text\"><string>Select</string></property></item>"
                  "<item><property name=\"text\"><string>COM1</string></property></item>"
                  "<item><property name=\"text\"><string>COM2</string></property></item>") +
    UiControl("QPushButton", "BUTTON", 200, 120, 80, 28, UiText("text", "Go", false)) +
    UiControl("QCheckBox", "CHECK", 200, 170, 120, 24, UiText("text", "Enable", false));

class InputTest : public ControlsPanelTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        openControls("input.uir", kControls,
                     {"NUM", "DBL", "TEXT", "TOGGLE", "RING", "BUTTON", "CHECK"});
    }
};

TEST_F(InputTest, TypedNumberAndEnterCommitOnceOnTheUserInterfaceThread) {
    auto* box = widget<QSpinBox>("NUM");
    focus(box);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, "42");
    QTest::keyClick(box, Qt::Key_Return);
    spin(50);

    int value = 0;
    ASSERT_EQ(GetCtrlVal(panel_, ids_["NUM"], &value), 0);
    EXPECT_EQ(value, 42);
    const auto commitEvents = eventsOf(panel_, ids_["NUM"], EVENT_COMMIT);
    ASSERT_EQ(commitEvents.size(), 1u);
    EXPECT_TRUE(commitEvents[0].onUiThread);
    const auto keys = eventsOf(panel_, ids_["NUM"], EVENT_KEYPRESS);
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.back().data1, VAL_ENTER_VKEY);
    EXPECT_EQ(keys[1].data1, '4');

    // Leaving the control with the committed number changes nothing more.
    focus(widget<QLineEdit>("TEXT"));
    spin(30);
    EXPECT_EQ(commits("NUM"), 1u);
    EXPECT_EQ(eventsOf(panel_, ids_["NUM"], EVENT_LOST_FOCUS).size(), 1u);
}

TEST_F(InputTest, EnterWithoutChangeStillCommits) {
    auto* box = widget<QSpinBox>("NUM");
    focus(box);
    QTest::keyClick(box, Qt::Key_Enter);
    spin(30);
    EXPECT_EQ(commits("NUM"), 1u);
    int value = 0;
    GetCtrlVal(panel_, ids_["NUM"], &value);
    EXPECT_EQ(value, 5);
}

TEST_F(InputTest, FocusChangeCommitsOnlyAChangedNumber) {
    auto* box = widget<QDoubleSpinBox>("DBL");
    focus(box);
    focus(widget<QLineEdit>("TEXT")); // unchanged: no commit
    EXPECT_EQ(commits("DBL"), 0u);

    focus(box);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, "2.5");
    EXPECT_EQ(commits("DBL"), 0u); // typing alone does not commit
    focus(widget<QLineEdit>("TEXT"));
    spin(30);
    double value = 0.0;
    GetCtrlVal(panel_, ids_["DBL"], &value);
    EXPECT_DOUBLE_EQ(value, 2.5);
    ASSERT_EQ(commits("DBL"), 1u);
    // The commit comes before the lost focus.
    std::vector<int> order;
    for (const RecordedEvent& e : events()) {
        if (e.control == ids_["DBL"] && e.event != EVENT_KEYPRESS) order.push_back(e.event);
    }
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[order.size() - 2], EVENT_COMMIT);
    EXPECT_EQ(order.back(), EVENT_LOST_FOCUS);
}

TEST_F(InputTest, StringCommitsOnEnterAndOnLeavingWhenChanged) {
    auto* edit = widget<QLineEdit>("TEXT");
    focus(edit);
    QTest::keyClicks(edit, "V:0");
    QTest::keyClick(edit, Qt::Key_Return);
    std::string text;
    GetCtrlVal(panel_, ids_["TEXT"], &text);
    EXPECT_EQ(text, "V:0");
    EXPECT_EQ(commits("TEXT"), 1u);

    QTest::keyClick(edit, Qt::Key_Return); // Enter commits again, as a person resends
    EXPECT_EQ(commits("TEXT"), 2u);

    QTest::keyClicks(edit, "1");
    focus(widget<QSpinBox>("NUM"));
    GetCtrlVal(panel_, ids_["TEXT"], &text);
    EXPECT_EQ(text, "V:01");
    EXPECT_EQ(commits("TEXT"), 3u);

    focus(edit);
    focus(widget<QSpinBox>("NUM")); // unchanged
    EXPECT_EQ(commits("TEXT"), 3u);
}

TEST_F(InputTest, ToggleClickSetsTheOnAndOffValues) {
    auto* button = widget<QPushButton>("TOGGLE");
    EXPECT_EQ(button->text(), "OFF");
    QTest::mouseClick(button, Qt::LeftButton);
    int value = 0;
    GetCtrlVal(panel_, ids_["TOGGLE"], &value);
    EXPECT_EQ(value, 7);
    ASSERT_EQ(commits("TOGGLE"), 1u);
    EXPECT_TRUE(eventsOf(panel_, ids_["TOGGLE"], EVENT_COMMIT)[0].onUiThread);
    FlushQtView();
    EXPECT_TRUE(button->isChecked());
    EXPECT_EQ(button->text(), "ON");

    QTest::mouseClick(button, Qt::LeftButton);
    GetCtrlVal(panel_, ids_["TOGGLE"], &value);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(commits("TOGGLE"), 2u);
}

TEST_F(InputTest, CheckBoxClickSetsTheOnValue) {
    auto* box = widget<QCheckBox>("CHECK");
    EXPECT_EQ(box->text(), "Enable");
    QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    int value = 0;
    GetCtrlVal(panel_, ids_["CHECK"], &value);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(commits("CHECK"), 1u);
}

TEST_F(InputTest, RingChoiceSelectsTheItemAndCommitsOnce) {
    auto* combo = widget<QComboBox>("RING");
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(2), "COM2");
    focus(combo);
    QTest::keyClick(combo, Qt::Key_Down);
    int index = -1;
    GetCtrlIndex(panel_, ids_["RING"], &index);
    EXPECT_EQ(index, 1);
    std::string value;
    GetCtrlVal(panel_, ids_["RING"], &value);
    EXPECT_EQ(value, "COM1");
    const auto commitEvents = eventsOf(panel_, ids_["RING"], EVENT_COMMIT);
    ASSERT_EQ(commitEvents.size(), 1u);
    EXPECT_TRUE(commitEvents[0].onUiThread);

    // Choosing the selected item again commits again (a port list's refresh item).
    emit combo->activated(1);
    EXPECT_EQ(commits("RING"), 2u);
}

TEST_F(InputTest, KeysOnARingReachTheCallbackWithTheirCodes) {
    auto* combo = widget<QComboBox>("RING");
    focus(combo);
    QTest::keyClick(combo, Qt::Key_F1);
    QTest::keyClick(combo, Qt::Key_Return);
    const auto keys = eventsOf(panel_, ids_["RING"], EVENT_KEYPRESS);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].data1, VAL_F1_VKEY);
    EXPECT_EQ(keys[1].data1 & VAL_VKEY_MASK, VAL_ENTER_VKEY);
    EXPECT_TRUE(keys[0].onUiThread);
    // Enter on a ring is a key press only: the ring's callback decides.
    EXPECT_EQ(commits("RING"), 0u);
}

int swallowedDigit = 0;
int SwallowDigits(int panel, int control, int event, void* data, int data1, int data2) {
    ViewTest::RecordCtrl(panel, control, event, data, data1, data2);
    if (event == EVENT_KEYPRESS && data1 >= '0' && data1 <= '9') {
        ++swallowedDigit;
        return 1;
    }
    return 0;
}

TEST_F(InputTest, ACallbackThatConsumesAKeyKeepsItFromTheControl) {
    InstallCtrlCallback(panel_, ids_["TEXT"], SwallowDigits, nullptr);
    auto* edit = widget<QLineEdit>("TEXT");
    focus(edit);
    QTest::keyClicks(edit, "a1b2");
    EXPECT_EQ(edit->text(), "ab");
    EXPECT_EQ(swallowedDigit, 2);
}

TEST_F(InputTest, CommandButtonCommitsOnClickAndEnter) {
    auto* button = widget<QPushButton>("BUTTON");
    EXPECT_EQ(button->text(), "Go");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(commits("BUTTON"), 1u);
    focus(button);
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(commits("BUTTON"), 2u);
}

TEST_F(InputTest, DimmedControlsTakeNoInput) {
    SetCtrlAttribute(panel_, ids_["BUTTON"], ATTR_DIMMED, 1);
    FlushQtView();
    auto* button = widget<QPushButton>("BUTTON");
    EXPECT_FALSE(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(commits("BUTTON"), 0u);
}

TEST_F(InputTest, ModelUpdatesFireNoUserEvents) {
    SetCtrlVal(panel_, ids_["NUM"], 99);
    SetCtrlVal(panel_, ids_["TEXT"], std::string("abc"));
    SetCtrlVal(panel_, ids_["TOGGLE"], 7);
    SetCtrlVal(panel_, ids_["CHECK"], 1);
    SetCtrlIndex(panel_, ids_["RING"], 2);
    SetCtrlVal(panel_, ids_["DBL"], 12.25);
    FlushQtView();
    spin(30);
    EXPECT_EQ(widget<QSpinBox>("NUM")->value(), 99);
    EXPECT_EQ(widget<QLineEdit>("TEXT")->text(), "abc");
    EXPECT_TRUE(widget<QPushButton>("TOGGLE")->isChecked());
    EXPECT_TRUE(widget<QCheckBox>("CHECK")->isChecked());
    EXPECT_EQ(widget<QComboBox>("RING")->currentIndex(), 2);
    EXPECT_DOUBLE_EQ(widget<QDoubleSpinBox>("DBL")->value(), 12.25);
    EXPECT_TRUE(events().empty());
}

} // namespace
