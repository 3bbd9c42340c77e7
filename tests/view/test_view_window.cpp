// Panel windows: the close box, menu bars, a person's resizing, activation and centring.
#include "tests/view/view_fixture.h"

#include "runtime/qt/view.h"
#include "runtime/userint.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSpinBox>

#include <fstream>

namespace {

const std::string kControls =
    UiControl("QSpinBox", "NUM", 20, 40, 100, 20, UiText("label", "Number"));

class WindowTest : public ViewTest {};

int discardOnClose(int panel, int event, void* data, int data1, int data2) {
    ViewTest::RecordPanel(panel, event, data, data1, data2);
    if (event == EVENT_CLOSE) DiscardPanel(panel);
    return 0;
}

TEST_F(WindowTest, CloseBoxAsksThePanelCallbackAndTheWindowStays) {
    const int panel = showPanel(writePanel("close.uir", kControls));
    InstallPanelCallback(panel, RecordPanel, nullptr);
    QWidget* window = QtPanelWidget(panel);
    ASSERT_NE(window, nullptr);
    window->close();
    FlushQtView();
    const auto closes = eventsOf(panel, 0, EVENT_CLOSE);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_TRUE(closes[0].onUiThread);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(PanelExists(panel));

    // A callback that discards the panel closes the window.
    InstallPanelCallback(panel, discardOnClose, nullptr);
    window->close();
    FlushQtView();
    EXPECT_FALSE(PanelExists(panel));
    EXPECT_EQ(QtPanelWidget(panel), nullptr);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowTest, MenuItemsCallTheirCallbacks) {
    const std::string menuFile = dir_ + "/menu.uir";
    {
        std::ofstream out(menuFile);
        out << R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0"><class>M</class>
<widget class="QMainWindow" name="M">
 <property name="geometry"><rect><x>0</x><y>0</y><width>300</width><height>60</height></rect></property>
 <widget class="QWidget" name="centralwidget"/>
 <widget class="QMenuBar" name="MENUBAR">
  <widget class="QMenu" name="MENU1">
   <property name="title"><string>File</string></property>
   <addaction name="EXIT_ALL"/>
  </widget>
  <widget class="QMenu" name="MENU2">
   <property name="title"><string>About</string></property>
   <addaction name="LOAD0_AboutSoft"/>
   <addaction name="EXEC_1"/>
  </widget>
  <addaction name="MENU1"/>
  <addaction name="MENU2"/>
 </widget>
 <action name="EXIT_ALL"><property name="text"><string>Exit</string></property></action>
 <action name="LOAD0_AboutSoft"><property name="text"><string>About Software...</string></property></action>
 <action name="EXEC_1"><property name="text"><string>Corvane WebSite</string></property></action>
</widget>
<resources/><connections/></ui>
)";
    }
    const int panel = showPanel(writePanel("main.uir", kControls, 300, 200));
    const int bar = LoadMenuBar(panel, menuFile, 1);
    ASSERT_GT(bar, 0);
    int menu = 0, item = 0, about = 0;
    GetMenuBarAttribute(bar, 0, ATTR_FIRST_MENU_ID, &menu);
    GetMenuBarAttribute(bar, menu, ATTR_NEXT_MENU_ID, &about);
    GetMenuBarAttribute(bar, about, ATTR_FIRST_ITEM_ID, &item);
    ASSERT_GT(item, 0);
    InstallMenuCallback(bar, item, RecordMenu, nullptr);
    FlushQtView();

    QWidget* window = QtPanelWidget(panel);
    auto* menuBar = window->findChild<QMenuBar*>();
    ASSERT_NE(menuBar, nullptr);
    const auto menus = menuBar->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "File");
    EXPECT_EQ(menus[1]->text(), "About");
    const auto items = menus[1]->menu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), "About Software...");
    EXPECT_EQ(items[1]->text(), "Corvane WebSite");
    // The menu bar sits above the panel's area; the controls keep their places.
    QWidget* num = QtControlWidget(panel, ctrl(panel, "NUM"));
    EXPECT_GE(num->mapTo(window, QPoint(0, 0)).y(), menuBar->height() + 40);

    items[0]->trigger();
    const auto calls = eventsOf(panel, item, EVENT_COMMIT);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].onUiThread);
    items[1]->trigger(); // no callback: nothing happens
    EXPECT_EQ(events().size(), 1u);

    DiscardMenuBar(bar);
    FlushQtView();
    for (auto* old : window->findChildren<QMenuBar*>())
        EXPECT_FALSE(old->isVisible());
    EXPECT_EQ(num->mapTo(window, QPoint(0, 0)).y(), 40); // the area moves up again
    EXPECT_EQ(window->height(), 200);
}

TEST_F(WindowTest, APersonResizingAWindowResizesThePanel) {
    const int panel = showPanel(writePanel("resize.uir", kControls, 300, 200));
    SetPanelAttribute(panel, ATTR_SCALE_CONTENTS_ON_RESIZE, 1);
    FlushQtView();
    QWidget* window = QtPanelWidget(panel);
    window->resize(600, 400);
    int width = 0, height = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            GetPanelAttribute(panel, ATTR_WIDTH, &width);
            GetPanelAttribute(panel, ATTR_HEIGHT, &height);
            return width == 600 && height == 400;
        },
        2000))
        << width << "x" << height;
    // The model scales the controls; the widgets follow.
    FlushQtView();
    QWidget* num = QtControlWidget(panel, ctrl(panel, "NUM"));
    EXPECT_EQ(num->geometry(), QRect(40, 80, 200, 40));

    // A size set by the program is not reported back as the person's.
    SetPanelAttribute(panel, ATTR_SCALE_CONTENTS_ON_RESIZE, 0);
    SetPanelAttribute(panel, ATTR_WIDTH, 500);
    FlushQtView();
    spin(30);
    GetPanelAttribute(panel, ATTR_WIDTH, &width);
    EXPECT_EQ(width, 500);
    EXPECT_EQ(window->width(), 500);
}

int reclaimFocus(int panel, int event, void* data, int data1, int data2) {
    ViewTest::RecordPanel(panel, event, data, data1, data2);
    if (event == EVENT_LOST_FOCUS) SetActivePanel(panel);
    return 0;
}

TEST_F(WindowTest, LosingTheActivationReachesThePanelCallback) {
    const int main = showPanel(writePanel("main.uir", kControls, 300, 200));
    const int dialog = showPanel(writePanel("dialog.uir", kControls, 200, 100));
    QWidget* mainWindow = QtPanelWidget(main);
    QWidget* dialogWindow = QtPanelWidget(dialog);
    ASSERT_TRUE(waitFor([&] { return dialogWindow->isActiveWindow(); }, 2000));
    InstallPanelCallback(main, RecordPanel, nullptr);
    InstallPanelCallback(dialog, RecordPanel, nullptr);

    mainWindow->activateWindow();
    ASSERT_TRUE(waitFor([&] { return !eventsOf(dialog, 0, EVENT_LOST_FOCUS).empty(); }, 2000));
    EXPECT_TRUE(eventsOf(dialog, 0, EVENT_LOST_FOCUS)[0].onUiThread);
    EXPECT_EQ(GetActivePanel(), main); // the model follows the person

    // A dialog that takes the focus back gets it.
    InstallPanelCallback(dialog, reclaimFocus, nullptr);
    dialogWindow->activateWindow();
    ASSERT_TRUE(waitFor([&] { return dialogWindow->isActiveWindow(); }, 2000));
    mainWindow->activateWindow();
    EXPECT_TRUE(waitFor([&] { return eventsOf(dialog, 0, EVENT_LOST_FOCUS).size() >= 2; }, 2000));
    EXPECT_TRUE(waitFor([&] { return dialogWindow->isActiveWindow(); }, 2000));
    EXPECT_EQ(GetActivePanel(), dialog);
}

TEST_F(WindowTest, SetActivePanelActivatesItsWindow) {
    const int first = showPanel(writePanel("first.uir", kControls, 300, 200));
    const int second = showPanel(writePanel("second.uir", kControls, 300, 200));
    ASSERT_TRUE(waitFor([&] { return QtPanelWidget(second)->isActiveWindow(); }, 2000));
    SetActivePanel(first);
    FlushQtView();
    EXPECT_TRUE(waitFor([&] { return QtPanelWidget(first)->isActiveWindow(); }, 2000));
}

TEST_F(WindowTest, CentringPutsTheWindowInTheMiddleOfTheScreen) {
    const int panel = showPanel(writePanel("centre.uir", kControls, 300, 200));
    SetPanelPos(panel, VAL_AUTO_CENTER, VAL_AUTO_CENTER);
    FlushQtView();
    QWidget* window = QtPanelWidget(panel);
    const QPoint screenCentre = window->screen()->availableGeometry().center();
    EXPECT_LE((window->frameGeometry().center() - screenCentre).manhattanLength(), 4);

    SetPanelPos(panel, 30, 70);
    FlushQtView();
    EXPECT_EQ(window->pos(), QPoint(70, 30));
}

} // namespace
