// Control attributes: one table of codes, types, the kinds they apply to and what a change
// shows to the view.
#include "runtime/attr_access.h"
#include "runtime/model_store.h"

#include <algorithm>
#include <cmath>

using namespace corvane::model;

namespace {

bool IsTwoState(CtrlKind k) {
    return k == KIND_TOGGLE_BUTTON || k == KIND_BINARY_SWITCH || k == KIND_CHECK_BOX;
}
bool IsNumeric(CtrlKind k) {
    return k == KIND_NUMERIC || k == KIND_NUMERIC_SLIDE;
}
bool HoldsText(CtrlKind k) {
    return k == KIND_STRING || k == KIND_TEXT_BOX || k == KIND_TEXT_MSG || k == KIND_RING;
}

// Keeps a numeric value inside a changed range.
void ClampValue(Control& c, uint32_t* changed) {
    if (c.dataType == VAL_STRING || std::isnan(c.value.num) || !(c.minValue <= c.maxValue)) return;
    double v = std::clamp(c.value.num, c.minValue, c.maxValue);
    if (v != c.value.num) {
        c.value.num = v;
        *changed |= CHANGE_VALUE;
    }
}

int NextControlId(const Panel& p, int id) {
    for (size_t i = 0; i < p.controls.size(); ++i)
        if (p.controls[i].id == id) return i + 1 < p.controls.size() ? p.controls[i + 1].id : 0;
    return 0;
}

int GraphField(Control& c, AttrAccess& a, int attr) {
    GraphData& g = c.graph;
    int st = UIE_BadAttribute;
    switch (attr) {
    case ATTR_XFORMAT:
        st = a.IntField(g.xFormat, CHANGE_PLOTS);
        break;
    case ATTR_XAXIS_OFFSET:
        st = a.DoubleField(g.xOffset, CHANGE_PLOTS, false);
        break;
    case ATTR_ENABLE_ZOOM_AND_PAN:
        st = a.BoolField(g.zoomAndPan, CHANGE_PLOTS);
        break;
    case ATTR_LEGEND_NUM_VISIBLE_ITEMS:
        st = a.NonNegativeField(g.legendVisibleItems, CHANGE_PLOTS);
        break;
    case ATTR_LEGEND_VISIBLE:
        st = a.BoolField(g.legendVisible, CHANGE_PLOTS);
        break;
    case ATTR_XNAME:
        st = a.TextField(g.xName, CHANGE_PLOTS);
        break;
    case ATTR_YNAME:
        st = a.TextField(g.yName, CHANGE_PLOTS);
        break;
    }
    if (a.changed & CHANGE_PLOTS) ++g.revision;
    return st;
}

int OnOffValue(Control& c, AttrAccess& a, Value& field) {
    if (c.dataType != VAL_STRING) {
        int st = a.DoubleField(field.num, CHANGE_APPEARANCE | CHANGE_VALUE, true);
        if (st == 0 && a.set) field.num = CoerceToDataType(field.num, c.dataType);
        return st;
    }
    return a.TextField(field.text, CHANGE_APPEARANCE | CHANGE_VALUE);
}

int ControlField(const Panel& p, Control& c, AttrAccess& a, int attr) {
    const CtrlKind k = c.kind;
    switch (attr) {
    case ATTR_DIMMED:
        return a.BoolField(c.dimmed, CHANGE_APPEARANCE);
    case ATTR_CONSTANT_NAME:
        return a.TextField(c.constantName, CHANGE_APPEARANCE);
    case ATTR_DATA_TYPE:
        return a.ReadOnly(c.dataType);
    case ATTR_LABEL_TEXT:
        return a.TextField(c.label, CHANGE_APPEARANCE);
    case ATTR_TOOLTIP_TEXT:
        return a.TextField(c.tooltip, CHANGE_APPEARANCE);
    case ATTR_VISIBLE:
        return a.BoolField(c.visible, CHANGE_APPEARANCE);
    case ATTR_CTRL_MODE: {
        int mode = c.indicator ? VAL_INDICATOR : VAL_HOT;
        int st = a.IntField(mode, CHANGE_APPEARANCE,
                            [](int m) { return m == VAL_INDICATOR || m == VAL_HOT; });
        if (st == 0 && a.set) c.indicator = mode == VAL_INDICATOR;
        return st;
    }
    case ATTR_LEFT: {
        int old = c.left;
        int st = a.IntField(c.left, CHANGE_GEOMETRY);
        if (st == 0 && c.left != old) { // the label and digital display move with the control
            if (c.labelLeft != VAL_AUTO_CENTER) c.labelLeft += c.left - old;
            c.digDispLeft += c.left - old;
        }
        return st;
    }
    case ATTR_TOP:
        return a.IntField(c.top, CHANGE_GEOMETRY);
    case ATTR_WIDTH:
        return a.NonNegativeField(c.width, CHANGE_GEOMETRY);
    case ATTR_HEIGHT:
        return a.NonNegativeField(c.height, CHANGE_GEOMETRY);
    case ATTR_CTRL_STYLE:
        return a.ReadOnly(c.style);
    case ATTR_NEXT_CTRL:
        return a.ReadOnly(NextControlId(p, c.id));
    case ATTR_TEXT_POINT_SIZE:
        return a.NonNegativeField(c.pointSize, CHANGE_APPEARANCE);
    case ATTR_LABEL_VISIBLE:
        return a.BoolField(c.labelVisible, CHANGE_APPEARANCE);
    case ATTR_LABEL_WIDTH:
        return a.NonNegativeField(c.labelWidth, CHANGE_APPEARANCE);
    case ATTR_LABEL_LEFT:
        return a.IntField(c.labelLeft, CHANGE_APPEARANCE);
    case ATTR_CTRL_COLOR:
        return a.ColorField(c.ctrlColor, CHANGE_APPEARANCE);
    case ATTR_TEXT_COLOR:
        return a.ColorField(c.textColor, CHANGE_APPEARANCE);
    case ATTR_SIZE_TO_TEXT:
        return a.BoolField(c.sizeToText, CHANGE_APPEARANCE);
    case ATTR_STRING_TEXT_LENGTH: {
        if (!HoldsText(k)) return UIE_WrongControlKind;
        std::string text;
        if (ReadText(c, &text) < 0) text.clear(); // an empty ring has no value text
        return a.ReadOnly(static_cast<int>(text.size()));
    }
    case ATTR_FIRST_VISIBLE_LINE: {
        if (k != KIND_TEXT_BOX) return UIE_WrongControlKind;
        if (!a.set) return a.ReadOnly(ReportedFirstVisibleLine(c));
        int line = c.firstVisibleLine;
        int st = a.IntField(line, CHANGE_SCROLL, [](int n) { return n >= -1; });
        if (st < 0) return st;
        if (line >= 0) line = std::min(line, LineCount(c.value.text) - 1);
        if (line != c.firstVisibleLine) {
            c.firstVisibleLine = line;
            a.changed |= CHANGE_SCROLL;
        }
        return 0;
    }
    default:
        break;
    }

    if (IsNumeric(k)) {
        switch (attr) {
        case ATTR_PRECISION:
            return a.IntField(c.precision, CHANGE_APPEARANCE | CHANGE_VALUE,
                              [](int n) { return n >= 0 && n <= 15; });
        case ATTR_MAX_VALUE:
        case ATTR_MIN_VALUE: {
            double& field = attr == ATTR_MAX_VALUE ? c.maxValue : c.minValue;
            if (a.set && a.v->type == AttrValue::Double && std::isnan(a.v->d))
                return UIE_BadAttributeValue;
            int st = a.DoubleField(field, CHANGE_APPEARANCE, true);
            if (st == 0 && a.set) {
                field = CoerceToDataType(field, c.dataType);
                ClampValue(c, &a.changed);
            }
            return st;
        }
        case ATTR_DFLT_VALUE: {
            int st = a.DoubleField(c.defaultValue.num, CHANGE_APPEARANCE, true);
            if (st == 0 && a.set)
                c.defaultValue.num = CoerceToDataType(c.defaultValue.num, c.dataType);
            return st;
        }
        case ATTR_SHOW_DIGITAL_DISPLAY:
            return a.BoolField(c.showDigitalDisplay, CHANGE_APPEARANCE);
        case ATTR_DIG_DISP_LEFT:
            return a.IntField(c.digDispLeft, CHANGE_APPEARANCE);
        case ATTR_FILL_COLOR:
            return a.ColorField(c.fillColor, CHANGE_APPEARANCE);
        }
    }
    if (attr == ATTR_DFLT_VALUE && (k == KIND_STRING || k == KIND_TEXT_BOX || k == KIND_TEXT_MSG))
        return a.TextField(c.defaultValue.text, CHANGE_APPEARANCE);

    if (IsTwoState(k)) {
        switch (attr) {
        case ATTR_ON_VALUE:
            return OnOffValue(c, a, c.onValue);
        case ATTR_OFF_VALUE:
            return OnOffValue(c, a, c.offValue);
        case ATTR_ON_COLOR:
            return a.ColorField(c.onColor, CHANGE_APPEARANCE);
        case ATTR_OFF_COLOR:
            return a.ColorField(c.offColor, CHANGE_APPEARANCE);
        case ATTR_ON_TEXT:
            return a.TextField(c.onText, CHANGE_APPEARANCE);
        case ATTR_OFF_TEXT:
            return a.TextField(c.offText, CHANGE_APPEARANCE);
        case ATTR_ON_OFF_TEXT_POINT_SIZE:
            return a.NonNegativeField(c.onOffPointSize, CHANGE_APPEARANCE);
        }
    }
    if (k == KIND_GRAPH) {
        int st = GraphField(c, a, attr);
        if (st != UIE_BadAttribute) return st;
    }

    switch (attr) { // known codes that this kind of control does not have
    case ATTR_PRECISION:
    case ATTR_MAX_VALUE:
    case ATTR_MIN_VALUE:
    case ATTR_DFLT_VALUE:
    case ATTR_SHOW_DIGITAL_DISPLAY:
    case ATTR_DIG_DISP_LEFT:
    case ATTR_FILL_COLOR:
    case ATTR_ON_VALUE:
    case ATTR_OFF_VALUE:
    case ATTR_ON_COLOR:
    case ATTR_OFF_COLOR:
    case ATTR_ON_TEXT:
    case ATTR_OFF_TEXT:
    case ATTR_ON_OFF_TEXT_POINT_SIZE:
    case ATTR_XFORMAT:
    case ATTR_XAXIS_OFFSET:
    case ATTR_ENABLE_ZOOM_AND_PAN:
    case ATTR_LEGEND_NUM_VISIBLE_ITEMS:
    case ATTR_LEGEND_VISIBLE:
    case ATTR_XNAME:
    case ATTR_YNAME:
        return UIE_WrongControlKind;
    default:
        return UIE_BadAttribute;
    }
}

int Access(int panel, int control, int attr, AttrValue* v, bool set) {
    auto lock = LockModel();
    Panel* p = nullptr;
    Control* c = nullptr;
    int st = LookupControl(panel, control, &p, &c);
    if (st < 0) return st;
    AttrAccess a;
    a.set = set;
    a.v = v;
    st = ControlField(*p, *c, a, attr);
    if (st == 0) NotifyControlChanged(panel, control, a.changed);
    return st;
}

} // namespace

int GetCtrlAttribute(int panel, int control, int attr, int* value) {
    if (!value) return UIE_BadArgument;
    AttrValue v;
    v.type = AttrValue::Int;
    int st = Access(panel, control, attr, &v, false);
    if (st == 0) *value = v.i;
    return st;
}

int GetCtrlAttribute(int panel, int control, int attr, double* value) {
    if (!value) return UIE_BadArgument;
    AttrValue v;
    v.type = AttrValue::Double;
    int st = Access(panel, control, attr, &v, false);
    if (st == 0) *value = v.d;
    return st;
}

int GetCtrlAttribute(int panel, int control, int attr, std::string* value) {
    if (!value) return UIE_BadArgument;
    AttrValue v;
    v.type = AttrValue::Text;
    int st = Access(panel, control, attr, &v, false);
    if (st == 0) *value = std::move(v.s);
    return st;
}

int SetCtrlAttribute(int panel, int control, int attr, int value) {
    AttrValue v;
    v.type = AttrValue::Int;
    v.i = value;
    return Access(panel, control, attr, &v, true);
}

int SetCtrlAttribute(int panel, int control, int attr, double value) {
    AttrValue v;
    v.type = AttrValue::Double;
    v.d = value;
    return Access(panel, control, attr, &v, true);
}

int SetCtrlAttribute(int panel, int control, int attr, const std::string& value) {
    AttrValue v;
    v.type = AttrValue::Text;
    v.s = value;
    return Access(panel, control, attr, &v, true);
}
