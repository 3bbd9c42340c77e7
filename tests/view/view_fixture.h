// Fixture of the widget tests: a fresh panel model and view per test, panel files written into
// a temporary folder, and a record of the callback events.
#pragma once

#include <gtest/gtest.h>

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
