// Helpers of the panel-model tests: panel files written into a private folder, an observer
// that records notifications, and a fixture that starts every case from an empty model.
#pragma once

#include "runtime/model_view.h"
#include "runtime/userint.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

class PanelFolder {
  public:
    PanelFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corvane-panels-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~PanelFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    PanelFolder(const PanelFolder&) = delete;
    PanelFolder& operator=(const PanelFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string write(const std::string& name, const std::string& content) const {
        std::string file = path_ + "/" + name;
        std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
        return file;
    }

  private:
    std::string path_;
};

// A Designer document around the given widget XML.
inline std::string UiDoc(const std::string& widgets) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui version=\"4.0\">\n "
           "<class>PANEL</class>\n" +
           widgets + " <resources/>\n <connections/>\n</ui>\n";
}

inline std::string Geometry(int x, int y, int w, int h) {
    return "<property name=\"geometry\"><rect><x>" + std::to_string(x) + "</x><y>" +
           std::to_string(y) + "</y><width>" + std::to_string(w) + "</width><height>" +
           std::to_string(h) + "</height></rect></property>\n";
}

inline std::string StringProp(const std::string& name, const std::string& value,
                              bool dynamic = false) {
    return "<property name=\"" + name + "\"" + (dynamic ? " stdset=\"0\"" : "") + "><string>" +
           value + "</string></property>\n";
}

inline std::string NumberProp(const std::string& name, const std::string& value) {
    return "<property name=\"" + name + "\"><number>" + value + "</number></property>\n";
}

inline std::string DoubleProp(const std::string& name, const std::string& value) {
    return "<property name=\"" + name + "\"><double>" + value + "</double></property>\n";
}

inline std::string BoolProp(const std::string& name, bool value, bool dynamic = false) {
    return "<property name=\"" + name + "\"" + (dynamic ? " stdset=\"0\"" : "") + "><bool>" +
           (value ? "true" : "false") + "</bool></property>\n";
}

inline std::string Widget(const std::string& cls, const std::string& name,
                          const std::string& body) {
    return "<widget class=\"" + cls + "\" name=\"" + name + "\">\n" + body + "</widget>\n";
}

// An empty panel of the given size.
inline std::string EmptyPanelDoc(const std::string& name = "PANEL", int w = 400, int h = 300) {
    return UiDoc(
        Widget("QWidget", name, Geometry(0, 0, w, h) + StringProp("windowTitle", "Title")));
}

struct Notification {
    std::string what; // panelCreated, panelChanged, ...
    int panel = 0;
    int control = 0;
    uint32_t bits = 0;
    bool operator==(const Notification&) const = default;
};

class RecordingObserver : public ModelObserver {
  public:
    void panelCreated(int panel) override { add({"panelCreated", panel, 0, 0}); }
    void panelChanged(int panel, uint32_t what) override { add({"panelChanged", panel, 0, what}); }
    void panelDiscarded(int panel) override { add({"panelDiscarded", panel, 0, 0}); }
    void controlCreated(int panel, int control) override {
        add({"controlCreated", panel, control, 0});
    }
    void controlChanged(int panel, int control, uint32_t what) override {
        add({"controlChanged", panel, control, what});
    }
    void controlDiscarded(int panel, int control) override {
        add({"controlDiscarded", panel, control, 0});
    }

    std::vector<Notification> take() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(log_, {});
    }
    // The union of the bits of all controlChanged notifications of one control.
    uint32_t controlBits(int panel, int control) {
        uint32_t bits = 0;
        for (const auto& n : take())
            if (n.what == "controlChanged" && n.panel == panel && n.control == control)
                bits |= n.bits;
        return bits;
    }

  private:
    void add(Notification n) {
        std::lock_guard<std::mutex> lock(mutex_);
        log_.push_back(std::move(n));
    }
    std::mutex mutex_;
    std::vector<Notification> log_;
};

class ModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetUserInterfaceModelForTesting();
        SetPanelFileFolder(folder.path());
    }
    void TearDown() override {
        ResetUserInterfaceModelForTesting();
        SetPanelFileFolder("");
    }
    // Loads panel 1 of a document written under the given name.
    int load(const std::string& doc, const std::string& name = "fixture.uir", int parent = 0) {
        folder.write(name, doc);
        return LoadPanel(parent, name, 1);
    }
    int emptyPanel(int w = 400, int h = 300) {
        return load(EmptyPanelDoc("PANEL", w, h), "empty.uir");
    }

    PanelFolder folder;
};
