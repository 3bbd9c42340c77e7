// The widgets follow the model, whichever thread changes it, coalesced to one flush per frame.
#include "tests/view/view_fixture.h"

#include "runtime/qt/label_text.h"
#include "runtime/qt/view.h"
#include "runtime/userint.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <atomic>
#include <thread>

namespace {

const std::string kControls =
    UiControl("QSpinBox", "NUM", 10, 30, 100, 24,
              "<property name=\"maximum\"><number>100000</number></property>" +
                  UiText("label", "Number")) +
    UiControl("QLineEdit", "TEXT", 130, 30, 200, 24, UiText("label", "Name")) +
    UiControl("QPlainTextEdit", "OUT", 10, 80, 300, 100,
              "<property name=\"readOnly\"><bool>true</bool></property>" +
                  UiText("label", "Output")) +
    UiControl("QComboBox", "RING", 10, 210, 160, 24, UiText("label", "Items")) +
    UiControl("QLabel", "STATUS", 200, 210, 150, 20, UiText("text", "Not connected", false)) +
    UiControl("QPushButton", "LED", 10, 250, 78, 28,
              "<property name=\"checkable\"><bool>true</bool></property>" +
                  UiText("onText", "OFF/ON") + UiText("offText", "OFF/ON") +
                  "<property name=\"labelVisible\" stdset=\"0\"><bool>false</bool></property>" +
                  "<property name=\"style\" stdset=\"0\"><number>243</number></property>");

class FollowTest : public ViewTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        panel_ = showPanel(writePanel("follow.uir", kControls, 400, 300, "Follow"));
        ASSERT_GT(panel_, 0);
        for (const char* name : {"NUM", "TEXT", "OUT", "RING", "STATUS", "LED"}) {
            ids_[name] = ctrl(panel_, name);
            ASSERT_GT(ids_[name], 0) << name;
        }
    }
    template <typename W> W* widget(const char* name) {
        auto* w = qobject_cast<W*>(QtControlWidget(panel_, ids_.at(name)));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    int panel_ = 0;
    std::map<std::string, int> ids_;
};

TEST_F(FollowTest, ValuesSetOnAnotherThreadAppearAfterTheFlush) {
    auto* box = widget<QSpinBox>("NUM");
    auto* edit = widget<QLineEdit>("TEXT");
    std::thread worker([&] {
        SetCtrlVal(panel_, ids_["NUM"], 77);
        SetCtrlVal(panel_, ids_["TEXT"], std::string("hello"));
    });
    worker.join();
    // Widgets change only on the user-interface thread, in its event loop.
    EXPECT_EQ(box->value(), 0);
    EXPECT_TRUE(waitFor([&] { return box->value() == 77 && edit->text() == "hello"; }, 3000));
}

TEST_F(FollowTest, ABurstOfChangesCostsOnlyAFewFlushes) {
    constexpr int kUpdates = 10000;
    auto* box = widget<QSpinBox>("NUM");
    const long flushesBefore = QtViewFlushCount();
    const long appliesBefore = QtControlApplyCount(panel_, ids_["NUM"]);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 1; i <= kUpdates; ++i)
            SetCtrlVal(panel_, ids_["NUM"], i);
        done = true;
    });
    EXPECT_TRUE(waitFor([&] { return done.load() && box->value() == kUpdates; }, 20000));
    worker.join();
    const long flushes = QtViewFlushCount() - flushesBefore;
    const long applies = QtControlApplyCount(panel_, ids_["NUM"]) - appliesBefore;
    EXPECT_GE(flushes, 1);
    // One flush per frame at most: far fewer than the changes, however long the burst took.
    EXPECT_LT(flushes, kUpdates / 10) << flushes << " flushes";
    EXPECT_LE(applies, flushes);
}

TEST_F(FollowTest, DimmingAndHidingShow) {
    std::thread worker([&] {
        SetCtrlAttribute(panel_, ids_["NUM"], ATTR_DIMMED, 1);
        SetCtrlAttribute(panel_, ids_["TEXT"], ATTR_VISIBLE, 0);
    });
    worker.join();
    auto* box = widget<QSpinBox>("NUM");
    auto* edit = widget<QLineEdit>("TEXT");
    ASSERT_TRUE(waitFor([&] { return !box->isEnabled() && !edit->isVisible(); }, 3000));
    EXPECT_FALSE(QtControlLabel(panel_, ids_["TEXT"])->isVisible()); // the label goes with it
    EXPECT_TRUE(QtControlLabel(panel_, ids_["NUM"])->isVisible());

    SetCtrlAttribute(panel_, ids_["NUM"], ATTR_DIMMED, 0);
    SetCtrlAttribute(panel_, ids_["TEXT"], ATTR_VISIBLE, 1);
    FlushQtView();
    EXPECT_TRUE(box->isEnabled());
    EXPECT_TRUE(edit->isVisible());

    SetPanelAttribute(panel_, ATTR_DIMMED, 1);
    FlushQtView();
    EXPECT_FALSE(box->isEnabled()); // through its panel

    QWidget* window = QtPanelWidget(panel_);
    HidePanel(panel_);
    FlushQtView();
    EXPECT_FALSE(window->isVisible());
    DisplayPanel(panel_);
    FlushQtView();
    EXPECT_TRUE(window->isVisible());
}

TEST_F(FollowTest, LabelsGeometryColoursAndTitle) {
    QLabel* label = QtControlLabel(panel_, ids_["NUM"]);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Number");
    EXPECT_TRUE(label->isVisible());
    auto* box = widget<QSpinBox>("NUM");
    EXPECT_EQ(box->geometry(), QRect(10, 30, 100, 24));
    EXPECT_LE(label->geometry().bottom(), box->geometry().top()); // above its control

    SetCtrlAttribute(panel_, ids_["NUM"], ATTR_LABEL_TEXT, std::string("Count"));
    SetCtrlAttribute(panel_, ids_["NUM"], ATTR_LEFT, 50);
    SetCtrlAttribute(panel_, ids_["NUM"], ATTR_WIDTH, 80);
    SetCtrlAttribute(panel_, ids_["STATUS"], ATTR_TEXT_COLOR, VAL_RED);
    SetCtrlAttribute(panel_, ids_["STATUS"], ATTR_TEXT_POINT_SIZE, 15);
    SetCtrlVal(panel_, ids_["STATUS"], std::string("Fail connect"));
    SetPanelAttribute(panel_, ATTR_TITLE, std::string("Corvane"));
    FlushQtView();
    EXPECT_EQ(label->text(), "Count");
    EXPECT_EQ(box->geometry(), QRect(50, 30, 80, 24));
    EXPECT_EQ(label->x(), 50);
    auto* status = widget<QLabel>("STATUS");
    EXPECT_EQ(status->text(), "Fail connect");
    EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(status->font().pointSize(), 15);
    EXPECT_EQ(QtPanelWidget(panel_)->windowTitle(), "Corvane");

    SetCtrlAttribute(panel_, ids_["NUM"], ATTR_LABEL_VISIBLE, 0);
    FlushQtView();
    EXPECT_FALSE(label->isVisible());
}

TEST_F(FollowTest, TwoStateButtonShowsItsStateColours) {
    SetCtrlAttribute(panel_, ids_["LED"], ATTR_ON_COLOR, 0x64FF00);
    SetCtrlAttribute(panel_, ids_["LED"], ATTR_OFF_COLOR, 0xBFBFBF);
    FlushQtView();
    auto* button = widget<QPushButton>("LED");
    EXPECT_EQ(button->text(), "OFF/ON");
    EXPECT_FALSE(button->isChecked());
    EXPECT_EQ(button->palette().color(QPalette::Button), QColor(0xBF, 0xBF, 0xBF));
    EXPECT_EQ(QtControlLabel(panel_, ids_["LED"]), nullptr); // the face carries the label
    SetCtrlVal(panel_, ids_["LED"], 1);
    FlushQtView();
    EXPECT_TRUE(button->isChecked());
    EXPECT_EQ(button->palette().color(QPalette::Button), QColor(0x64, 0xFF, 0x00));
}

TEST_F(FollowTest, RingItemsFollowTheModel) {
    std::thread worker([&] {
        ClearListCtrl(panel_, ids_["RING"]);
        InsertListItem(panel_, ids_["RING"], -1, "Select Port / Refresh", 0);
        InsertListItem(panel_, ids_["RING"], -1, "COM3", 3);
        InsertListItem(panel_, ids_["RING"], -1, "COM5", 5);
        SetCtrlIndex(panel_, ids_["RING"], 2);
    });
    worker.join();
    auto* combo = widget<QComboBox>("RING");
    ASSERT_TRUE(waitFor([&] { return combo->count() == 3 && combo->currentIndex() == 2; }, 3000));
    EXPECT_EQ(combo->itemText(0), "Select Port / Refresh");
    EXPECT_EQ(combo->itemText(1), "COM3");
    EXPECT_EQ(combo->currentText(), "COM5");

    ClearListCtrl(panel_, ids_["RING"]);
    FlushQtView();
    EXPECT_EQ(combo->count(), 0);
    SetCtrlAttribute(panel_, ids_["RING"], ATTR_CTRL_COLOR, VAL_RED);
    FlushQtView();
    EXPECT_EQ(combo->palette().color(QPalette::Button), QColor(255, 0, 0));
}

TEST_F(FollowTest, TextBoxAppendsFollowTheEndOrKeepTheView) {
    const int out = ids_["OUT"];
    auto* box = widget<QPlainTextEdit>("OUT");
    QScrollBar* bar = box->verticalScrollBar();
    for (int i = 0; i < 200; ++i)
        SetCtrlVal(panel_, out, "line " + std::to_string(i) + "\n");
    FlushQtView();
    std::string model;
    GetCtrlVal(panel_, out, &model);
    EXPECT_EQ(box->toPlainText().toStdString(), model);
    ASSERT_GT(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), bar->maximum()); // follows the end

    // The keep-view flag of the traffic window: position read, text appended, position put back.
    SetCtrlAttribute(panel_, out, ATTR_FIRST_VISIBLE_LINE, 10);
    FlushQtView();
    EXPECT_EQ(bar->value(), 10);
    std::thread worker([&] {
        for (int i = 200; i < 260; ++i) {
            int line = 0;
            GetCtrlAttribute(panel_, out, ATTR_FIRST_VISIBLE_LINE, &line);
            SetCtrlVal(panel_, out, "line " + std::to_string(i) + "\n");
            SetCtrlAttribute(panel_, out, ATTR_FIRST_VISIBLE_LINE, line);
        }
    });
    worker.join();
    ASSERT_TRUE(waitFor([&] { return box->toPlainText().contains("line 259"); }, 3000));
    EXPECT_EQ(bar->value(), 10);
    EXPECT_EQ(box->document()->blockCount(), 261); // 260 lines and the empty last one

    // Without it the box follows the end again.
    SetCtrlVal(panel_, out, std::string("last\n"));
    FlushQtView();
    EXPECT_EQ(bar->value(), bar->maximum());

    ResetTextBox(panel_, out, "fresh");
    FlushQtView();
    EXPECT_EQ(box->toPlainText(), "fresh");
}

TEST_F(FollowTest, ScrollingATextBoxTellsTheModel) {
    const int out = ids_["OUT"];
    for (int i = 0; i < 100; ++i)
        SetCtrlVal(panel_, out, "line " + std::to_string(i) + "\n");
    FlushQtView();
    QScrollBar* bar = widget<QPlainTextEdit>("OUT")->verticalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderToMinimum); // as the person drags to the top
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    const int line = bar->value();
    ASSERT_GT(line, 0);
    int reported = -1;
    EXPECT_TRUE(waitFor(
        [&] {
            GetCtrlAttribute(panel_, out, ATTR_FIRST_VISIBLE_LINE, &reported);
            return reported == line;
        },
        2000))
        << reported;
    // A change of another attribute does not move the box back.
    SetCtrlAttribute(panel_, out, ATTR_TEXT_COLOR, VAL_GREEN);
    FlushQtView();
    EXPECT_EQ(bar->value(), line);

    // Keys scroll too.
    auto* box = widget<QPlainTextEdit>("OUT");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
    ASSERT_GT(bar->value(), line);
    EXPECT_TRUE(waitFor(
        [&] {
            GetCtrlAttribute(panel_, out, ATTR_FIRST_VISIBLE_LINE, &reported);
            return reported > line;
        },
        2000))
        << reported;
    QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_TRUE(waitFor(
        [&] {
            GetCtrlAttribute(panel_, out, ATTR_FIRST_VISIBLE_LINE, &reported);
            return reported == 0;
        },
        2000))
        << reported;
    SetCtrlVal(panel_, out, std::string("more\n")); // an append follows the end
    FlushQtView();
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(FollowTest, NewAndDiscardedControlsAndPanels) {
    const int slide = NewCtrl(panel_, CTRL_NUMERIC_VSLIDE, "Power_0", 20, 340);
    ASSERT_GT(slide, 0);
    SetCtrlAttribute(panel_, slide, ATTR_HEIGHT, 200);
    SetCtrlAttribute(panel_, slide, ATTR_WIDTH, 13);
    SetCtrlAttribute(panel_, slide, ATTR_MAX_VALUE, 100.0);
    SetCtrlAttribute(panel_, slide, ATTR_LABEL_LEFT, VAL_AUTO_CENTER);
    SetCtrlVal(panel_, slide, 40.0);
    FlushQtView();
    auto* slider = qobject_cast<QSlider*>(QtControlWidget(panel_, slide));
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->orientation(), Qt::Vertical);
    EXPECT_EQ(slider->geometry(), QRect(340, 20, 13, 200));
    EXPECT_EQ(slider->value() / std::max(1, slider->maximum() / 100), 40);
    QLabel* label = QtControlLabel(panel_, slide);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Power_0");
    EXPECT_NEAR(label->geometry().center().x(), slider->geometry().center().x(), 1); // centred

    const int child = LoadPanel(
        panel_,
        writePanel("child.uir",
                   UiControl("QLabel", "INNER", 5, 5, 80, 20, UiText("text", "inside", false)), 120,
                   60),
        1);
    ASSERT_GT(child, 0);
    SetPanelPos(child, 150, 200);
    DisplayPanel(child);
    FlushQtView();
    QWidget* childWidget = QtPanelWidget(child);
    ASSERT_NE(childWidget, nullptr);
    EXPECT_FALSE(childWidget->isWindow());
    EXPECT_EQ(childWidget->window(), QtPanelWidget(panel_));
    EXPECT_EQ(childWidget->pos(), QPoint(200, 150));
    EXPECT_TRUE(childWidget->isVisible());

    DiscardCtrl(panel_, slide);
    DiscardPanel(child);
    FlushQtView();
    EXPECT_EQ(QtControlWidget(panel_, slide), nullptr);
    EXPECT_FALSE(slider->isVisible());
    EXPECT_EQ(QtPanelWidget(child), nullptr);
    EXPECT_FALSE(childWidget->isVisible());

    QWidget* window = QtPanelWidget(panel_);
    DiscardPanel(panel_);
    FlushQtView();
    EXPECT_EQ(QtPanelWidget(panel_), nullptr);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(FollowTest, AChildPanelHiddenWhileItsParentIsHiddenStaysHidden) {
    const int child = LoadPanel(panel_, writePanel("child.uir", "", 100, 50), 1);
    ASSERT_GT(child, 0);
    HidePanel(panel_);
    DisplayPanel(child);
    FlushQtView();
    HidePanel(child);
    FlushQtView();
    DisplayPanel(panel_);
    FlushQtView();
    EXPECT_TRUE(QtPanelWidget(panel_)->isVisible());
    EXPECT_FALSE(QtPanelWidget(child)->isVisible());
    DisplayPanel(child);
    FlushQtView();
    EXPECT_TRUE(QtPanelWidget(child)->isVisible());
}

struct LabelCase {
    std::string label;
    QString mnemonic, plain;
};

class LabelTextTest : public ::testing::TestWithParam<LabelCase> {};

TEST_P(LabelTextTest, AccessKeyMarksBecomeQtMnemonics) {
    EXPECT_EQ(MnemonicText(GetParam().label), GetParam().mnemonic);
    EXPECT_EQ(PlainLabelText(GetParam().label), GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(Labels, LabelTextTest,
                         ::testing::Values(LabelCase{"__Exit", "&Exit", "Exit"},
                                           LabelCase{"Save __As", "Save &As", "Save As"},
                                           LabelCase{"R&D", "R&&D", "R&D"},
                                           LabelCase{"P_F_INW", "P_F_INW", "P_F_INW"},
                                           LabelCase{"end__", "end", "end"},
                                           LabelCase{"", "", ""}));

TEST_F(FollowTest, ButtonLabelsShowTheirAccessKey) {
    const int button = NewCtrl(panel_, CTRL_COMMAND_BUTTON, "__Exit", 250, 300);
    SetCtrlAttribute(panel_, ids_["NUM"], ATTR_LABEL_TEXT, std::string("__Number"));
    FlushQtView();
    auto* exit = qobject_cast<QPushButton*>(QtControlWidget(panel_, button));
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), "&Exit");
    QLabel* label = QtControlLabel(panel_, ids_["NUM"]);
    EXPECT_EQ(label->text(), "&Number");
    EXPECT_EQ(label->buddy(), QtControlWidget(panel_, ids_["NUM"]));
}

} // namespace
