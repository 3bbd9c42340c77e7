// Small panel files for the engine tests: written as Designer XML into a temporary folder and
// loaded with the real loader.
#pragma once

#include <string>
#include <vector>

struct FixtureCtrl {
    std::string widgetClass;
    std::string name;
    std::string properties; // <property> elements
};

FixtureCtrl Int(const std::string& name, int value, const std::string& label = "");
FixtureCtrl Float(const std::string& name, double value); // single precision
FixtureCtrl Text(const std::string& name, const std::string& text);
FixtureCtrl Button(const std::string& name);
FixtureCtrl Toggle(const std::string& name, bool checked, int onValue = 1, int offValue = 0);
FixtureCtrl Ring(const std::string& name, const std::vector<std::string>& items,
                 const std::string& itemValues);
FixtureCtrl Hidden(FixtureCtrl c);

// Writes a file with one panel per entry (several panels make a panel set) and returns its
// name; the folder becomes the panel file folder.
std::string WriteFixtureFile(const std::vector<std::vector<FixtureCtrl>>& panels,
                             const std::string& title = "Fixture", int width = 400,
                             int height = 300);
// Writes a one-panel file and loads it; returns the panel handle.
int LoadFixturePanel(const std::vector<FixtureCtrl>& controls, const std::string& title = "Fixture",
                     int width = 400, int height = 300);
// The shipped panel file `file` (panel 1) from the program folder.
int LoadShippedPanel(const std::string& file, int panelNumber = 1);
std::string FixtureFolder();
// Id of the control with this constant name on the panel, -1 when none.
int CtrlId(int panel, const std::string& name);

#include <gtest/gtest.h>

// Each engine test starts from an empty panel model, a freshly prepared AppRecord and empty
// hand-overs.
class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};
