// Fixture of the widget tests: a fresh panel model and view per test, panel files written into
// a temporary folder, and a record of the callback events.
#pragma once

#include "runtime/qt/view.h"
#include "runtime/userint.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <initializer_list>
#include <map>

#include <functional>
#include <string>
#include <vector>

struct RecordedEvent {
    int panel = 0;
    int control = 0; // 0 for panel events
    int event = 0;
    int data1 = 0;
    bool onUiThread = false;
};

// One control of a fixture panel, as Designer writes it. `extra` holds further <property>
// elements.
std::string UiControl(const std::string& widgetClass, const std::string& name, int x, int y,
                      int width, int height, const std::string& extra = "");
// A string property, a dynamic one when `dynamic`.
std::string UiText(const std::string& name, const std::string& value, bool dynamic = true);

class ViewTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a panel file with the given controls into the temporary folder; returns its path.
    std::string writePanel(const std::string& fileName, const std::string& controls,
                           int width = 400, int height = 300, const std::string& title = "Test");
    // Loads panel 1 of the file, displays it and shows it on the screen.
    int showPanel(const std::string& path);
    // Id of the control with the constant name (0 when none).
    static int ctrl(int panel, const std::string& constantName);

    // Runs the event loop until cond holds or timeoutMs passed; returns cond().
    static bool waitFor(const std::function<bool()>& cond, int timeoutMs = 5000);
    // Runs the event loop for about ms milliseconds.
    static void spin(int ms);

  public:
    // Callbacks that record their events.
    static int RecordCtrl(int panel, int control, int event, void* data, int data1, int data2);
    static int RecordPanel(int panel, int event, void* data, int data1, int data2);
    static void RecordMenu(int menuBar, int item, void* data, int panel);
    static std::vector<RecordedEvent> events();
    static std::vector<RecordedEvent> eventsOf(int panel, int control, int event);

  protected:
    std::string dir_;
};

// A shown panel of fixture controls whose commits are recorded, with its widgets by name.
class ControlsPanelTest : public ViewTest {
  protected:
    // Writes and shows the panel and records the callback events of the named controls.
    void openControls(const std::string& fileName, const std::string& controls,
                      std::initializer_list<const char*> names) {
        panel_ = showPanel(writePanel(fileName, controls));
        ASSERT_GT(panel_, 0);
        for (const char* name : names) {
            const int id = ctrl(panel_, name);
            ASSERT_GT(id, 0) << name;
            ids_[name] = id;
            InstallCtrlCallback(panel_, id, RecordCtrl, nullptr);
        }
    }

    template <typename W> W* widget(const char* name) {
        auto* w = qobject_cast<W*>(QtControlWidget(panel_, ids_.at(name)));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    void focus(QWidget* w) {
        w->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(waitFor([w] { return w->hasFocus(); }, 2000));
    }

    size_t commits(const char* name) {
        return eventsOf(panel_, ids_.at(name), EVENT_COMMIT).size();
    }

    int panel_ = 0;
    std::map<std::string, int> ids_;
};
