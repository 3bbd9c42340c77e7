// Controls and panels that go away while they are in use: during their own callback, or
// discarded and created by another thread while the view shows them.
#include "tests/view/view_fixture.h"

#include "runtime/events.h"
#include "runtime/model_view.h"
#include "runtime/qt/view.h"
#include "runtime/userint.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <thread>

namespace {

class LifetimeTest : public ViewTest {};

// Discards the button's own panel and lets the loop run before returning, as a callback that
// closes its dialog and waits does.
int DiscardOwnPanel(int panel, int control, int event, void* data, int data1, int data2) {
    ViewTest::RecordCtrl(panel, control, event, data, data1, data2);
    if (event != EVENT_COMMIT) return 0;
    DiscardPanel(panel);
    for (int i = 0; i < 5; ++i) {
        ProcessSystemEvents();
        FlushQtView();
    }
    return 0;
}

TEST_F(LifetimeTest, ACallbackMayDiscardItsOwnPanel) {
    const std::string controls =
        UiControl("QPushButton", "EXIT_PAGE", 10, 10, 80, 28, UiText("text", "Close", false)) +
        UiControl("QLineEdit", "TEXT", 10, 60, 120, 24);
    const int panel = showPanel(writePanel("dialog.uir", controls));
    const int exit = ctrl(panel, "EXIT_PAGE");
    InstallCtrlCallback(panel, exit, DiscardOwnPanel, nullptr);
    auto* button = qobject_cast<QPushButton*>(QtControlWidget(panel, exit));
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    spin(30);
    EXPECT_EQ(eventsOf(panel, exit, EVENT_COMMIT).size(), 1u);
    EXPECT_FALSE(PanelExists(panel));
    EXPECT_EQ(QtPanelWidget(panel), nullptr);
    // The focus leaving the vanished button is no person's action.
    EXPECT_TRUE(eventsOf(panel, exit, EVENT_LOST_FOCUS).empty());
}

int DiscardOnLostFocus(int panel, int control, int event, void* data, int data1, int data2) {
    ViewTest::RecordCtrl(panel, control, event, data, data1, data2);
    if (event == EVENT_LOST_FOCUS) DiscardPanel(panel);
    return 0;
}

TEST_F(LifetimeTest, ALostFocusCallbackMayDiscardThePanel) {
    const std::string controls = UiControl("QLineEdit", "FIRST", 10, 10, 120, 24) +
                                 UiControl("QLineEdit", "SECOND", 10, 60, 120, 24);
    const int panel = showPanel(writePanel("lost.uir", controls));
    const int first = ctrl(panel, "FIRST");
    InstallCtrlCallback(panel, first, DiscardOnLostFocus, nullptr);
    QWidget* a = QtControlWidget(panel, first);
    QWidget* b = QtControlWidget(panel, ctrl(panel, "SECOND"));
    a->setFocus();
    ASSERT_TRUE(waitFor([&] { return a->hasFocus(); }, 2000));
    QTest::keyClicks(a, "x");
    b->setFocus(); // commits "x", then loses the focus, which discards the panel
    spin(30);
    EXPECT_FALSE(PanelExists(panel));
    EXPECT_EQ(eventsOf(panel, first, EVENT_COMMIT).size(), 1u);
    EXPECT_EQ(eventsOf(panel, first, EVENT_LOST_FOCUS).size(), 1u);
}

TEST_F(LifetimeTest, ControlsComingAndGoingOnAnotherThread) {
    const int panel = showPanel(writePanel("churn.uir", "", 400, 300));
    std::atomic<bool> stop{false};
    std::thread worker([&] {
        int round = 0;
        while (!stop.load()) {
            const int id =
                NewCtrl(panel, round % 2 ? CTRL_STRING : CTRL_NUMERIC_VSLIDE, "temp", 20, 20);
            SetCtrlVal(panel, id, std::string("42"));
            SetCtrlAttribute(panel, id, ATTR_LEFT, 10 + round % 50);
            DiscardCtrl(panel, id);
            ++round;
        }
    });
    spin(300);
    stop = true;
    worker.join();
    FlushQtView();
    int first = -1;
    GetPanelAttribute(panel, ATTR_PANEL_FIRST_CTRL, &first);
    EXPECT_EQ(first, 0);
    EXPECT_TRUE(QtPanelWidget(panel)->findChildren<QLineEdit*>().isEmpty() ||
                !QtPanelWidget(panel)->findChildren<QLineEdit*>().front()->isVisible());
}

TEST_F(LifetimeTest, PanelsDiscardedOnAnotherThreadWhileShown) {
    const std::string controls = UiControl("QLineEdit", "TEXT", 10, 10, 120, 24);
    const std::string path = writePanel("many.uir", controls);
    std::atomic<bool> stop{false};
    std::atomic<int> loaded{0};
    std::thread worker([&] {
        while (!stop.load()) {
            const int panel = LoadPanel(0, path, 1);
            DisplayPanel(panel);
            SetCtrlVal(panel, 1, std::string("shown"));
            const int child = LoadPanel(panel, path, 1);
            DisplayPanel(child);
            DiscardPanel(panel); // with its child
            ++loaded;
        }
    });
    spin(300);
    stop = true;
    worker.join();
    FlushQtView();
    EXPECT_GT(loaded.load(), 0);
    EXPECT_TRUE(GetTopLevelPanels().empty());
}

} // namespace
