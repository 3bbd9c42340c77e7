// Panels from panel files (Designer XML). The whole panel is built aside and joins the model
// in one step, so a refused file never leaves a half-loaded panel behind.
#include "runtime/ui_build.h"
#include "runtime/value_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace corvane::model {
namespace {

struct ControlClass {
    const char* name;
    int style;
};

// Widget classes and the style they give (QSlider and QPushButton are refined below).
constexpr ControlClass kClasses[] = {
    {"QSpinBox", CTRL_NUMERIC},        {"QDoubleSpinBox", CTRL_NUMERIC},
    {"QSlider", CTRL_NUMERIC_VSLIDE},  {"QLineEdit", CTRL_STRING},
    {"QPlainTextEdit", CTRL_TEXT_BOX}, {"QPushButton", CTRL_COMMAND_BUTTON},
    {"QCheckBox", CTRL_CHECK_BOX},     {"QComboBox", CTRL_RING},
    {"QLabel", CTRL_TEXT_MSG},         {"QFrame", CTRL_DECORATION},
    {"QCustomPlot", CTRL_GRAPH},
};

bool IsTwoStateKind(CtrlKind k) {
    return k == KIND_TOGGLE_BUTTON || k == KIND_BINARY_SWITCH || k == KIND_CHECK_BOX;
}
bool IsNumericKind(CtrlKind k) {
    return k == KIND_NUMERIC || k == KIND_NUMERIC_SLIDE;
}

// Whether a style from the `style` property fits the class's own kind of value.
bool StyleFits(CtrlKind classKind, CtrlKind styleKind) {
    if (IsNumericKind(classKind)) return IsNumericKind(styleKind);
    if (IsTwoStateKind(classKind)) return IsTwoStateKind(styleKind);
    return classKind == styleKind;
}

bool Fail(LoadProblem* problem, int line, const std::string& reason) {
    problem->line = line;
    problem->reason = reason;
    return false;
}

bool ParseDataType(const std::string& text, int* out) {
    if (text == "int")
        *out = VAL_INTEGER;
    else if (text == "float")
        *out = VAL_FLOAT;
    else if (text == "double")
        *out = VAL_DOUBLE;
    else if (text == "string")
        *out = VAL_STRING;
    else
        return false;
    return true;
}

bool ParseColor(const std::string& text, int* out) {
    unsigned value = 0;
    int used = 0;
    if (text.size() != 8 || std::sscanf(text.c_str(), "0x%6x%n", &value, &used) != 1 || used != 8)
        return false;
    *out = static_cast<int>(value);
    return true;
}

bool ReadGeometry(const UiWidget& w, int* left, int* top, int* width, int* height,
                  LoadProblem* problem) {
    const UiProperty* g = w.property("geometry");
    if (!g) return true;
    const char* keys[] = {"x", "y", "width", "height"};
    int* outs[] = {left, top, width, height};
    for (int i = 0; i < 4; ++i) {
        auto it = g->fields.find(keys[i]);
        double v = 0.0;
        if (g->type != "rect" || it == g->fields.end() || !ParseNumber(it->second, &v) ||
            v != std::floor(v) || std::fabs(v) > 1e6 || (i >= 2 && v < 0))
            return Fail(problem, g->line,
                        "property 'geometry' of '" + w.name + "' is not a valid rectangle");
        *outs[i] = static_cast<int>(v);
    }
    return true;
}

// A value given in a file, in the control's data type.
bool ReadValue(const UiWidget& w, const std::string& name, int dataType, Value* out,
               LoadProblem* problem) {
    if (dataType == VAL_STRING) {
        const UiProperty* p = w.property(name);
        if (!p) return true;
        out->text = p->text; // a number given for a text value is taken as its text
        return true;
    }
    double v = 0.0;
    if (!NumberProperty(w.properties, name, &v, problem)) return problem->reason.empty();
    out->num = CoerceToDataType(v, dataType);
    return true;
}

// Splits "a;b;c" (one trailing ";" allowed).
std::vector<std::string> SplitValues(const std::string& text) {
    std::vector<std::string> parts;
    std::string current;
    for (char ch : text) {
        if (ch == ';') {
            parts.push_back(current);
            current.clear();
        } else {
            current += ch;
        }
    }
    if (!current.empty() || parts.empty()) parts.push_back(current);
    return parts;
}

bool ReadRing(const UiWidget& w, Control* c, LoadProblem* problem) {
    for (size_t i = 0; i < w.items.size(); ++i) {
        RingItem item;
        TextProperty(w.items[i], "text", &item.label);
        item.value.num = static_cast<double>(i);
        item.value.text = std::to_string(i);
        c->items.push_back(std::move(item));
    }
    std::string values;
    if (TextProperty(w.properties, "itemValues", &values)) {
        const UiProperty* p = w.property("itemValues");
        std::vector<std::string> parts = SplitValues(values);
        if (parts.size() != c->items.size())
            return Fail(problem, p->line,
                        "ring '" + w.name + "' has " + std::to_string(c->items.size()) +
                            " items but " + std::to_string(parts.size()) + " itemValues");
        for (size_t i = 0; i < parts.size(); ++i) {
            Value& v = c->items[i].value;
            if (c->dataType == VAL_STRING) {
                v.text = parts[i];
            } else if (!ParseNumber(parts[i], &v.num)) {
                return Fail(problem, p->line,
                            "item value '" + parts[i] + "' of ring '" + w.name +
                                "' is not a number");
            }
        }
    }
    for (auto& item : c->items)
        if (c->dataType != VAL_STRING)
            item.value.num = CoerceToDataType(item.value.num, c->dataType);
    int count = static_cast<int>(c->items.size());
    c->selected = count ? 0 : -1;
    double index = 0.0;
    if (NumberProperty(w.properties, "currentIndex", &index, problem)) {
        if (index != std::floor(index) || index < (count ? 0 : -1) || index >= count)
            return Fail(problem, w.property("currentIndex")->line,
                        "currentIndex of ring '" + w.name + "' is outside its items");
        c->selected = static_cast<int>(index);
    } else if (!problem->reason.empty()) {
        return false;
    }
    c->defaultIndex = c->selected;
    return true;
}

bool ReadNumeric(const UiWidget& w, Control* c, LoadProblem* problem) {
    // Designer leaves out values equal to Qt's defaults, so those are the defaults here.
    bool isDouble = w.className == "QDoubleSpinBox";
    c->minValue = 0.0;
    c->maxValue = isDouble ? 99.99 : 99.0;
    c->precision = isDouble ? 2 : 0;
    double v = 0.0;
    if (NumberProperty(w.properties, "minimum", &v, problem)) c->minValue = v;
    if (NumberProperty(w.properties, "maximum", &v, problem)) c->maxValue = v;
    if (isDouble && NumberProperty(w.properties, "decimals", &v, problem)) {
        if (v < 0 || v > 15 || v != std::floor(v))
            return Fail(problem, w.property("decimals")->line,
                        "decimals of '" + w.name + "' must be 0 to 15");
        c->precision = static_cast<int>(v);
    }
    if (!problem->reason.empty()) return false;
    c->minValue = CoerceToDataType(c->minValue, c->dataType);
    c->maxValue = CoerceToDataType(c->maxValue, c->dataType);
    if (c->minValue > c->maxValue)
        return Fail(problem, w.line, "minimum of '" + w.name + "' is above its maximum");
    if (!ReadValue(w, "value", c->dataType, &c->value, problem)) return false;
    c->value.num = std::clamp(c->value.num, c->minValue, c->maxValue);
    c->defaultValue = c->value;
    return true;
}

bool ReadTwoState(const UiWidget& w, Control* c, LoadProblem* problem) {
    bool checked = false;
    if (!BoolProperty(w.properties, "checked", &checked, problem) && !problem->reason.empty())
        return false;
    c->on = c->defaultOn = checked;
    if (!ReadValue(w, "onValue", c->dataType, &c->onValue, problem)) return false;
    if (!ReadValue(w, "offValue", c->dataType, &c->offValue, problem)) return false;
    TextProperty(w.properties, "onText", &c->onText);
    TextProperty(w.properties, "offText", &c->offText);
    return true;
}

bool BuildControl(const UiWidget& w, Control* out, const std::string& file, LoadProblem* problem) {
    int style = 0;
    for (const auto& cls : kClasses)
        if (w.className == cls.name) style = cls.style;
    if (!style)
        return Fail(problem, w.line,
                    "unknown widget class '" + w.className + "' of control '" + w.name + "'");
    if (!w.children.empty())
        return Fail(problem, w.children.front().line,
                    "control '" + w.name +
                        "' contains widgets; controls must be direct children of the panel");
    if (w.layoutLine) return Fail(problem, w.layoutLine, "control '" + w.name + "' has a layout");

    bool flag = false;
    if (w.className == "QSlider") {
        const UiProperty* o = w.property("orientation");
        if (o && o->text == "Qt::Horizontal") style = CTRL_NUMERIC_SLIDE;
    } else if (w.className == "QPushButton") {
        if (BoolProperty(w.properties, "checkable", &flag, problem) && flag)
            style = CTRL_TOGGLE_BUTTON;
        if (!problem->reason.empty()) return false;
    }
    const CtrlKind classKind = KindOfStyle(style);
    double styleOverride = 0.0;
    if (NumberProperty(w.properties, "style", &styleOverride, problem)) {
        int s = static_cast<int>(styleOverride);
        if (s != styleOverride || !IsKnownStyle(s) || !StyleFits(classKind, KindOfStyle(s)))
            return Fail(problem, w.property("style")->line,
                        "style " + std::to_string(s) + " does not fit class '" + w.className + "'");
        style = s;
    } else if (!problem->reason.empty()) {
        return false;
    }

    Control c = MakeControl(style);
    if (c.kind == KIND_NUMERIC || c.kind == KIND_NUMERIC_SLIDE)
        c.dataType = w.className == "QDoubleSpinBox" ? VAL_DOUBLE : VAL_INTEGER;
    std::string text;
    if (TextProperty(w.properties, "dataType", &text)) {
        int dataType = 0;
        const int line = w.property("dataType")->line;
        if (!ParseDataType(text, &dataType))
            return Fail(problem, line,
                        "dataType '" + text + "' is not int, float, double or string");
        bool fits = IsNumericKind(c.kind) ? dataType != VAL_STRING
                    : (c.kind == KIND_STRING || c.kind == KIND_TEXT_BOX || c.kind == KIND_TEXT_MSG)
                        ? dataType == VAL_STRING
                        : true;
        if (!fits)
            return Fail(problem, line,
                        "dataType '" + text + "' does not fit class '" + w.className + "'");
        c.dataType = dataType;
    }

    c.constantName = ConstantNameOf(w.properties, w.name);
    if (!IsValidConstantName(c.constantName))
        return Fail(problem, w.line,
                    "'" + c.constantName +
                        "' is not a valid constant name (letters, digits and _)");
    if (!ReadGeometry(w, &c.left, &c.top, &c.width, &c.height, problem)) return false;
    c.labelLeft = c.left;
    c.digDispLeft = c.left;

    // The label: the `label` property, else what the class shows as its text.
    std::string shown;
    TextProperty(w.properties, "text", &shown);
    if (c.kind == KIND_COMMAND_BUTTON || IsTwoStateKind(c.kind) || c.kind == KIND_TEXT_MSG)
        c.label = shown;
    TextProperty(w.properties, "label", &c.label);

    switch (c.kind) {
    case KIND_NUMERIC:
    case KIND_NUMERIC_SLIDE:
        if (!ReadNumeric(w, &c, problem)) return false;
        break;
    case KIND_STRING:
    case KIND_TEXT_MSG:
        c.value.text = shown;
        c.defaultValue = c.value;
        break;
    case KIND_TEXT_BOX:
        TextProperty(w.properties, "plainText", &c.value.text);
        c.defaultValue = c.value;
        break;
    case KIND_RING:
        if (!ReadRing(w, &c, problem)) return false;
        break;
    case KIND_TOGGLE_BUTTON:
    case KIND_BINARY_SWITCH:
    case KIND_CHECK_BOX:
        if (!ReadTwoState(w, &c, problem)) return false;
        break;
    default:
        break;
    }

    if (BoolProperty(w.properties, "enabled", &flag, problem)) c.dimmed = !flag;
    if (BoolProperty(w.properties, "visible", &flag, problem)) c.visible = flag;
    if (BoolProperty(w.properties, "labelVisible", &flag, problem)) c.labelVisible = flag;
    // Designer's readOnly marks a display: the control becomes an indicator.
    if (BoolProperty(w.properties, "readOnly", &flag, problem)) c.indicator = flag;
    if (!problem->reason.empty()) return false;
    for (const char* name : {"textColor", "ctrlColor"}) {
        if (!TextProperty(w.properties, name, &text)) continue;
        int color = 0;
        if (!ParseColor(text, &color))
            return Fail(problem, w.property(name)->line,
                        std::string(name) + " '" + text + "' is not a colour 0xRRGGBB");
        (std::string(name) == "textColor" ? c.textColor : c.ctrlColor) = color;
    }
    if (const UiProperty* font = w.property("font")) {
        auto it = font->fields.find("pointsize");
        double size = 0.0;
        if (it != font->fields.end() && ParseNumber(it->second, &size) && size > 0 && size < 1000)
            c.pointSize = static_cast<int>(size);
    }
    if (c.kind == KIND_GRAPH) {
        TextProperty(w.properties, "xName", &c.graph.xName);
        TextProperty(w.properties, "yName", &c.graph.yName);
    }
    if (TextProperty(w.properties, "callbackFunction", &text) && !text.empty()) {
        c.callback = LookupCallbackName(text);
        if (!c.callback)
            ReportLoadProblem(file, {w.property("callbackFunction")->line,
                                     "warning: callback function '" + text + "' of control '" +
                                         c.constantName +
                                         "' is not registered; the control has no callback"});
    }
    *out = std::move(c);
    return true;
}

bool BuildPanel(const UiDocument& doc, const UiWidget& w, const std::string& file, Panel* out,
                std::unique_ptr<MenuBar>* bar, LoadProblem* problem) {
    const bool mainWindow = w.className == "QMainWindow";
    if (!mainWindow && w.className != "QWidget" && w.className != "QDialog")
        return Fail(problem, w.line,
                    "panel '" + w.name + "' must be a QWidget or a QMainWindow, not '" +
                        w.className + "'");
    out->constantName = ConstantNameOf(w.properties, w.name);
    if (!IsValidConstantName(out->constantName))
        return Fail(problem, w.line,
                    "'" + out->constantName +
                        "' is not a valid constant name (letters, digits and _)");
    TextProperty(w.properties, "windowTitle", &out->title);
    if (!ReadGeometry(w, &out->left, &out->top, &out->width, &out->height, problem)) return false;
    bool enabled = true;
    if (BoolProperty(w.properties, "enabled", &enabled, problem)) out->dimmed = !enabled;
    if (!problem->reason.empty()) return false;

    const UiWidget* holder = &w; // the widget whose children are the controls
    if (mainWindow) {
        holder = nullptr;
        for (const auto& child : w.children) {
            if (child.className == "QWidget" && !holder) {
                holder = &child;
            } else if (child.className == "QMenuBar" && !*bar) {
                *bar = std::make_unique<MenuBar>();
                if (!BuildMenuBar(doc, child, bar->get(), problem)) return false;
            } else if (child.className != "QStatusBar" && child.className != "QToolBar" &&
                       child.className != "QMenuBar") {
                return Fail(problem, child.line,
                            "unexpected '" + child.className + "' in main window '" + w.name + "'");
            }
        }
        if (!holder) return true; // a window with a menu bar and no controls
    }
    if (holder->layoutLine)
        return Fail(problem, holder->layoutLine,
                    "panel '" + w.name + "' has a layout; controls need absolute geometry");
    std::set<std::string> names;
    for (const auto& child : holder->children) {
        if (!mainWindow && (child.className == "QMenuBar" || child.className == "QStatusBar"))
            continue;
        Control c;
        if (!BuildControl(child, &c, file, problem)) return false;
        if (!names.insert(c.constantName).second)
            return Fail(problem, child.line,
                        "constant name '" + c.constantName + "' is used twice in panel '" +
                            out->constantName + "'");
        c.id = out->nextCtrlId++;
        out->controls.push_back(std::move(c));
    }
    return true;
}

// The panels of a document in panel order; false (reported) when the file's panel set is bad.
bool PanelsOfDocument(const UiDocument& doc, const std::string& path,
                      std::vector<const UiWidget*>* panelsOut) {
    LoadProblem problem;
    bool isSet = false;
    if (!BoolProperty(doc.root.properties, "panelSet", &isSet, &problem) &&
        !problem.reason.empty()) {
        ReportLoadProblem(path, problem);
        return false;
    }
    if (isSet) {
        std::set<std::string> names;
        for (const auto& child : doc.root.children) {
            if (child.className == "QMenuBar" || child.className == "QStatusBar" ||
                child.className == "QToolBar")
                continue; // not panels: a set may carry its menu bars beside the panels
            std::string name = ConstantNameOf(child.properties, child.name);
            if (!names.insert(name).second) {
                ReportLoadProblem(
                    path, {child.line, "panel name '" + name + "' is used twice in the file"});
                return false;
            }
            panelsOut->push_back(&child);
        }
    } else {
        panelsOut->push_back(&doc.root);
    }
    return true;
}

} // namespace
} // namespace corvane::model

using namespace corvane::model;

int GetPanelCountInFile(const std::string& file) {
    UiDocument doc;
    std::string path;
    const int st = OpenUiDocument(file, &doc, &path);
    if (st < 0) return st;
    std::vector<const UiWidget*> panels;
    if (!PanelsOfDocument(doc, path, &panels)) return UIE_BadFileFormat;
    return static_cast<int>(panels.size());
}

int LoadPanel(int parentPanel, const std::string& file, int panelNumber) {
    if (parentPanel != 0 && !PanelExists(parentPanel)) {
        ReportProblem(file, "cannot load a panel into panel " + std::to_string(parentPanel) +
                                ", which does not exist");
        return UIE_BadPanelHandle;
    }
    UiDocument doc;
    std::string path;
    int st = OpenUiDocument(file, &doc, &path);
    if (st < 0) return st;

    std::vector<const UiWidget*> panels;
    if (!PanelsOfDocument(doc, path, &panels)) return UIE_BadFileFormat;
    if (panelNumber < 1 || panelNumber > static_cast<int>(panels.size())) {
        ReportLoadProblem(path, {doc.root.line, "panel " + std::to_string(panelNumber) +
                                                    " requested; the file has " +
                                                    std::to_string(panels.size())});
        return UIE_PanelNotFound;
    }
    auto panel = std::make_unique<Panel>();
    std::unique_ptr<MenuBar> bar;
    LoadProblem problem;
    if (!BuildPanel(doc, *panels[static_cast<size_t>(panelNumber - 1)], path, panel.get(), &bar,
                    &problem)) {
        ReportLoadProblem(path, problem);
        return UIE_BadFileFormat;
    }
    st = AddPanel(std::move(panel), parentPanel, std::move(bar));
    if (st < 0) ReportProblem(path, "the parent panel was discarded while the panel was loading");
    return st;
}
