#include "support_panels.h"

#include <atomic>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "runtime/userint.h"

namespace {

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Prop(const std::string& name, const std::string& type, const std::string& value,
                 bool dynamic = false) {
    return "<property name=\"" + name + "\"" + (dynamic ? " stdset=\"0\"" : "") + "><" + type +
           ">" + Escape(value) + "</" + type + "></property>\n";
}

bool IsIdentifier(const std::string& s) {
    if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
    for (char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

std::string WidgetXml(const FixtureCtrl& c, int n) {
    std::string objectName = IsIdentifier(c.name) ? c.name : "ctrl_" + std::to_string(n);
    std::string xml = "<widget class=\"" + c.widgetClass + "\" name=\"" + objectName + "\">\n";
    xml += "<property name=\"geometry\"><rect><x>10</x><y>" + std::to_string(10 + 30 * n) +
           "</y><width>100</width><height>24</height></rect></property>\n";
    if (!IsIdentifier(c.name)) xml += Prop("constantName", "string", c.name, true);
    xml += c.properties;
    xml += "</widget>\n";
    return xml;
}

std::string PanelXml(const std::vector<FixtureCtrl>& controls, const std::string& name,
                     const std::string& title, int width, int height) {
    std::string xml = "<widget class=\"QWidget\" name=\"" + name + "\">\n";
    xml += "<property name=\"geometry\"><rect><x>0</x><y>0</y><width>" + std::to_string(width) +
           "</width><height>" + std::to_string(height) + "</height></rect></property>\n";
    xml += Prop("windowTitle", "string", title);
    int n = 0;
    for (const auto& c : controls)
        xml += WidgetXml(c, n++);
    xml += "</widget>\n";
    return xml;
}

} // namespace

FixtureCtrl Int(const std::string& name, int value, const std::string& label) {
    std::string p = Prop("minimum", "number", "-100000000") +
                    Prop("maximum", "number", "100000000") +
                    Prop("value", "number", std::to_string(value));
    if (!label.empty()) p += Prop("label", "string", label, true);
    return {"QSpinBox", name, p};
}

FixtureCtrl Float(const std::string& name, double value) {
    return {"QDoubleSpinBox", name,
            Prop("decimals", "number", "3") + Prop("minimum", "double", "-100000000") +
                Prop("maximum", "double", "100000000") +
                Prop("value", "double", std::to_string(value)) +
                Prop("dataType", "string", "float", true)};
}

FixtureCtrl Text(const std::string& name, const std::string& text) {
    return {"QLineEdit", name, Prop("text", "string", text)};
}

FixtureCtrl Button(const std::string& name) {
    return {"QPushButton", name, Prop("text", "string", "Button")};
}

FixtureCtrl Toggle(const std::string& name, bool checked, int onValue, int offValue) {
    return {"QPushButton", name,
            Prop("checkable", "bool", "true") +
                Prop("checked", "bool", checked ? "true" : "false") +
                Prop("onValue", "number", std::to_string(onValue), true) +
                Prop("offValue", "number", std::to_string(offValue), true)};
}

FixtureCtrl Ring(const std::string& name, const std::vector<std::string>& items,
                 const std::string& itemValues) {
    std::string p;
    for (const auto& item : items)
        p += "<item>" + Prop("text", "string", item) + "</item>\n";
    if (!itemValues.empty()) p += Prop("itemValues", "string", itemValues, true);
    return {"QComboBox", name, p};
}

FixtureCtrl Hidden(FixtureCtrl c) {
    c.properties += Prop("visible", "bool", "false", true);
    return c;
}

std::string FixtureFolder() {
    static const std::string folder = [] {
        auto dir = std::filesystem::temp_directory_path() /
                   ("corvane-engine-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    return folder;
}

std::string WriteFixtureFile(const std::vector<std::vector<FixtureCtrl>>& panels,
                             const std::string& title, int width, int height) {
    static std::atomic<int> counter{0};
    const std::string file = "fixture" + std::to_string(++counter) + ".uir";
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\">\n";
    if (panels.size() == 1) {
        xml += PanelXml(panels[0], "PANEL", title, width, height);
    } else {
        xml += "<widget class=\"QWidget\" name=\"SET\">\n" + Prop("panelSet", "bool", "true", true);
        int n = 0;
        for (const auto& p : panels) {
            ++n;
            xml += PanelXml(p, "PANEL_" + std::to_string(n), title + " " + std::to_string(n), width,
                            height);
        }
        xml += "</widget>\n";
    }
    xml += "</ui>\n";
    std::ofstream(std::filesystem::path(FixtureFolder()) / file) << xml;
    SetPanelFileFolder(FixtureFolder());
    return file;
}

int LoadFixturePanel(const std::vector<FixtureCtrl>& controls, const std::string& title, int width,
                     int height) {
    const std::string file = WriteFixtureFile({controls}, title, width, height);
    return LoadPanel(0, file, 1);
}

int LoadShippedPanel(const std::string& file, int panelNumber) {
    SetPanelFileFolder(CORVANE_BIN_DIR);
    return LoadPanel(0, file, panelNumber);
}

int CtrlId(int panel, const std::string& name) {
    const int id = GetCtrlIdFromConstantName(panel, name);
    return id > 0 ? id : -1;
}

#include "engine/app_record.h"
#include "engine/handovers.h"
#include "engine/pending_letters.h"

void EngineTest::SetUp() {
    ResetUserInterfaceModelForTesting();
    MainWorking_Handovers() = EngineHandovers{};
    MainWorking_DeletePendingLetterLock();
    MainWorking_INIT_POINTERS(&TheAppRecord());
}

void EngineTest::TearDown() {
    MainWorking_Handovers() = EngineHandovers{};
    MainWorking_INIT_POINTERS(&TheAppRecord());
    ResetUserInterfaceModelForTesting();
}

namespace {
// Removes the fixture folder when the test program ends.
class FixtureFolderCleanup : public ::testing::Environment {
  public:
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(FixtureFolder(), ec);
    }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new FixtureFolderCleanup);
} // namespace
