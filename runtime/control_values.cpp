// Control values: reading and writing in the caller's type, text boxes, default values.
#include "runtime/model_store.h"
#include "runtime/value_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace corvane::model {
namespace {

bool IsTwoState(CtrlKind k) {
    return k == KIND_TOGGLE_BUTTON || k == KIND_BINARY_SWITCH || k == KIND_CHECK_BOX;
}

bool HasNoValue(CtrlKind k) {
    return k == KIND_COMMAND_BUTTON || k == KIND_DECORATION || k == KIND_GRAPH;
}

bool IsNumericKind(CtrlKind k) {
    return k == KIND_NUMERIC || k == KIND_NUMERIC_SLIDE;
}

int CurrentValue(const Control& c, Value* v) {
    if (HasNoValue(c.kind)) return UIE_WrongControlKind;
    if (c.kind == KIND_RING) {
        if (c.selected < 0 || c.selected >= static_cast<int>(c.items.size()))
            return UIE_IndexOutOfRange;
        *v = c.items[static_cast<size_t>(c.selected)].value;
        return 0;
    }
    if (IsTwoState(c.kind)) {
        *v = c.on ? c.onValue : c.offValue;
        return 0;
    }
    *v = c.value;
    return 0;
}

double Clamp(const Control& c, double v) {
    if (!IsNumericKind(c.kind) || std::isnan(v) || !(c.minValue <= c.maxValue)) return v;
    return std::clamp(v, c.minValue, c.maxValue);
}

void AppendText(Control& c, const std::string& s, uint32_t* changed) {
    if (s.empty()) return;
    c.value.text += s;
    c.firstVisibleLine = -1; // an append shows the end of the text
    *changed |= CHANGE_VALUE | CHANGE_SCROLL;
}

void SetNumber(Control& c, double v, uint32_t* changed) {
    double n = Clamp(c, CoerceToDataType(v, c.dataType));
    bool same = n == c.value.num || (std::isnan(n) && std::isnan(c.value.num));
    if (!same) {
        c.value.num = n;
        *changed |= CHANGE_VALUE;
    }
}

void SetString(Control& c, const std::string& text, uint32_t* changed) {
    if (text != c.value.text) {
        c.value.text = text;
        *changed |= CHANGE_VALUE;
    }
}

void Select(Control& c, int index, uint32_t* changed) {
    if (index != c.selected) {
        c.selected = index;
        *changed |= CHANGE_VALUE;
    }
}

void SetState(Control& c, bool on, uint32_t* changed) {
    if (on != c.on) {
        c.on = on;
        *changed |= CHANGE_VALUE;
    }
}

} // namespace

int ReadNumber(const Control& c, double* out) {
    Value v;
    int st = CurrentValue(c, &v);
    if (st < 0) return st;
    if (c.dataType != VAL_STRING) {
        *out = v.num;
        return 0;
    }
    if (!ParseNumber(v.text, out)) return UIE_BadAttributeValue;
    return 0;
}

int ReadText(const Control& c, std::string* out) {
    Value v;
    int st = CurrentValue(c, &v);
    if (st < 0) return st;
    *out = c.dataType == VAL_STRING ? v.text : FormatNumber(v.num, c.dataType);
    return 0;
}

int WriteNumber(Control& c, double v, int srcType, uint32_t* changed) {
    if (HasNoValue(c.kind)) return UIE_WrongControlKind;
    if (c.dataType == VAL_INTEGER && std::isnan(v)) return UIE_BadAttributeValue;
    const std::string asText = FormatNumber(v, srcType);
    if (c.kind == KIND_TEXT_BOX) {
        AppendText(c, asText, changed);
        return 0;
    }
    if (c.kind == KIND_RING) {
        double n = CoerceToDataType(v, c.dataType);
        for (size_t i = 0; i < c.items.size(); ++i) {
            const Value& iv = c.items[i].value;
            if (c.dataType == VAL_STRING ? iv.text == asText : iv.num == n) {
                Select(c, static_cast<int>(i), changed);
                return 0;
            }
        }
        return UIE_BadAttributeValue;
    }
    if (IsTwoState(c.kind)) {
        bool on = c.dataType == VAL_STRING ? asText == c.onValue.text
                                           : CoerceToDataType(v, c.dataType) == c.onValue.num;
        SetState(c, on, changed);
        return 0;
    }
    if (c.dataType == VAL_STRING)
        SetString(c, asText, changed);
    else
        SetNumber(c, v, changed);
    return 0;
}

int WriteText(Control& c, const std::string& text, uint32_t* changed) {
    if (HasNoValue(c.kind)) return UIE_WrongControlKind;
    if (c.kind == KIND_TEXT_BOX) {
        AppendText(c, text, changed);
        return 0;
    }
    if (c.dataType == VAL_STRING) {
        if (c.kind == KIND_RING) {
            for (size_t i = 0; i < c.items.size(); ++i) {
                if (c.items[i].value.text == text) {
                    Select(c, static_cast<int>(i), changed);
                    return 0;
                }
            }
            return UIE_BadAttributeValue;
        }
        if (IsTwoState(c.kind)) {
            SetState(c, text == c.onValue.text, changed);
            return 0;
        }
        SetString(c, text, changed);
        return 0;
    }
    double v = 0.0;
    if (!ParseNumber(text, &v)) return UIE_BadAttributeValue;
    return WriteNumber(c, v, VAL_DOUBLE, changed);
}

std::string DisplayText(const Control& c) {
    Value v;
    if (CurrentValue(c, &v) < 0) return {};
    if (c.dataType == VAL_STRING) return v.text;
    if (IsNumericKind(c.kind)) return FormatWithPrecision(v.num, c.dataType, c.precision);
    return FormatNumber(v.num, c.dataType);
}

int LineCount(const std::string& text) {
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

int ReportedFirstVisibleLine(const Control& c) {
    if (c.firstVisibleLine >= 0) return c.firstVisibleLine;
    // Following the end: the first line of the last screenful, estimated from the height of
    // the box and its font, so that putting the position back keeps the view where it is.
    int pointSize = c.pointSize > 0 ? c.pointSize : 10;
    int lineHeight = std::max(1, static_cast<int>(std::lround(pointSize * 1.6)));
    int visibleLines = std::max(1, (c.height - 4) / lineHeight);
    return std::max(0, LineCount(c.value.text) - visibleLines);
}

} // namespace corvane::model

using namespace corvane::model;

namespace {

template <class Fn> int WithControl(int panel, int control, Fn fn) {
    auto lock = LockModel();
    Panel* p = nullptr;
    Control* c = nullptr;
    int st = LookupControl(panel, control, &p, &c);
    if (st < 0) return st;
    uint32_t changed = 0;
    st = fn(*c, &changed);
    NotifyControlChanged(panel, control, changed);
    return st;
}

} // namespace

int GetCtrlVal(int panel, int control, int* value) {
    if (!value) return UIE_BadArgument;
    return WithControl(panel, control, [&](Control& c, uint32_t*) {
        double v = 0.0;
        int st = ReadNumber(c, &v);
        *value = st < 0 ? 0 : ToInt(v);
        return st;
    });
}

int GetCtrlVal(int panel, int control, float* value) {
    if (!value) return UIE_BadArgument;
    return WithControl(panel, control, [&](Control& c, uint32_t*) {
        double v = 0.0;
        int st = ReadNumber(c, &v);
        *value = st < 0 ? 0.0f : ToFloat(v);
        return st;
    });
}

int GetCtrlVal(int panel, int control, double* value) {
    if (!value) return UIE_BadArgument;
    return WithControl(panel, control, [&](Control& c, uint32_t*) {
        double v = 0.0;
        int st = ReadNumber(c, &v);
        *value = st < 0 ? 0.0 : v;
        return st;
    });
}

int GetCtrlVal(int panel, int control, std::string* value) {
    if (!value) return UIE_BadArgument;
    return WithControl(panel, control, [&](Control& c, uint32_t*) {
        std::string text;
        int st = ReadText(c, &text);
        *value = std::move(text);
        return st;
    });
}

int GetCtrlValText(int panel, int control, char* buffer, int size) {
    if (!buffer || size < 1) return UIE_BadArgument;
    std::string text;
    int st = GetCtrlVal(panel, control, &text);
    size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return st;
}

int SetCtrlVal(int panel, int control, int value) {
    return WithControl(panel, control, [&](Control& c, uint32_t* changed) {
        return WriteNumber(c, value, VAL_INTEGER, changed);
    });
}

int SetCtrlVal(int panel, int control, float value) {
    return WithControl(panel, control, [&](Control& c, uint32_t* changed) {
        return WriteNumber(c, value, VAL_FLOAT, changed);
    });
}

int SetCtrlVal(int panel, int control, double value) {
    return WithControl(panel, control, [&](Control& c, uint32_t* changed) {
        return WriteNumber(c, value, VAL_DOUBLE, changed);
    });
}

int SetCtrlVal(int panel, int control, const std::string& value) {
    return WithControl(panel, control,
                       [&](Control& c, uint32_t* changed) { return WriteText(c, value, changed); });
}

int SetCtrlVal(int panel, int control, const char* value) {
    if (!value) return UIE_BadArgument;
    return SetCtrlVal(panel, control, std::string(value));
}

int ResetTextBox(int panel, int control, const std::string& text) {
    return WithControl(panel, control, [&](Control& c, uint32_t* changed) {
        if (c.kind != KIND_TEXT_BOX) return static_cast<int>(UIE_WrongControlKind);
        if (c.value.text != text) {
            c.value.text = text;
            *changed |= CHANGE_VALUE;
        }
        if (c.firstVisibleLine != -1) {
            c.firstVisibleLine = -1;
            *changed |= CHANGE_SCROLL;
        }
        return 0;
    });
}

int DefaultCtrl(int panel, int control) {
    return WithControl(panel, control, [&](Control& c, uint32_t* changed) {
        switch (c.kind) {
        case KIND_RING: {
            int n = static_cast<int>(c.items.size());
            int index = c.defaultIndex >= 0 && c.defaultIndex < n ? c.defaultIndex : (n ? 0 : -1);
            Select(c, index, changed);
            break;
        }
        case KIND_TOGGLE_BUTTON:
        case KIND_BINARY_SWITCH:
        case KIND_CHECK_BOX:
            SetState(c, c.defaultOn, changed);
            break;
        case KIND_COMMAND_BUTTON:
        case KIND_DECORATION:
        case KIND_GRAPH:
            break;
        case KIND_TEXT_BOX:
            SetString(c, c.defaultValue.text, changed);
            if (c.firstVisibleLine != -1) {
                c.firstVisibleLine = -1;
                *changed |= CHANGE_SCROLL;
            }
            break;
        default:
            if (c.dataType == VAL_STRING)
                SetString(c, c.defaultValue.text, changed);
            else
                SetNumber(c, c.defaultValue.num, changed);
            break;
        }
        return 0;
    });
}
