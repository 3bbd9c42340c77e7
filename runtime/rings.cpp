// Rings: list items with labels and values, and the selected item.
#include "runtime/model_store.h"
#include "runtime/value_text.h"

using namespace corvane::model;

namespace {

template <class Fn> int WithRing(int panel, int control, Fn fn) {
    auto lock = LockModel();
    Panel* p = nullptr;
    Control* c = nullptr;
    int st = LookupControl(panel, control, &p, &c);
    if (st < 0) return st;
    if (c->kind != KIND_RING) return UIE_WrongControlKind;
    uint32_t changed = 0;
    st = fn(*c, &changed);
    NotifyControlChanged(panel, control, changed);
    return st;
}

int Insert(Control& c, int index, RingItem item, uint32_t* changed) {
    int n = static_cast<int>(c.items.size());
    if (index == -1) index = n;
    if (index < 0 || index > n) return UIE_IndexOutOfRange;
    c.items.insert(c.items.begin() + index, std::move(item));
    *changed |= CHANGE_ITEMS;
    if (c.selected < 0) {
        c.selected = 0;
        *changed |= CHANGE_VALUE;
    } else if (index <= c.selected) {
        ++c.selected; // the same item stays selected
        *changed |= CHANGE_VALUE;
    }
    return 0;
}

int CheckIndex(const Control& c, int index) {
    return index >= 0 && index < static_cast<int>(c.items.size()) ? 0 : UIE_IndexOutOfRange;
}

std::string ValueText(const Control& c, int index) {
    const Value& v = c.items[static_cast<size_t>(index)].value;
    return c.dataType == VAL_STRING ? v.text : FormatNumber(v.num, c.dataType);
}

} // namespace

int ClearListCtrl(int panel, int control) {
    return WithRing(panel, control, [](Control& c, uint32_t* changed) {
        if (!c.items.empty()) *changed |= CHANGE_ITEMS;
        if (c.selected != -1) *changed |= CHANGE_VALUE;
        c.items.clear();
        c.selected = -1;
        return 0;
    });
}

int InsertListItem(int panel, int control, int index, const std::string& label, int value) {
    return WithRing(panel, control, [&](Control& c, uint32_t* changed) {
        RingItem item{label, {}};
        if (c.dataType == VAL_STRING)
            item.value.text = FormatNumber(value, VAL_INTEGER);
        else
            item.value.num = CoerceToDataType(value, c.dataType);
        return Insert(c, index, std::move(item), changed);
    });
}

int InsertListItem(int panel, int control, int index, const std::string& label,
                   const std::string& value) {
    return WithRing(panel, control, [&](Control& c, uint32_t* changed) {
        RingItem item{label, {}};
        if (c.dataType == VAL_STRING) {
            item.value.text = value;
        } else {
            double v = 0.0;
            if (!ParseNumber(value, &v)) return static_cast<int>(UIE_BadAttributeValue);
            item.value.num = CoerceToDataType(v, c.dataType);
        }
        return Insert(c, index, std::move(item), changed);
    });
}

int GetNumListItems(int panel, int control, int* count) {
    if (!count) return UIE_BadArgument;
    return WithRing(panel, control, [&](Control& c, uint32_t*) {
        *count = static_cast<int>(c.items.size());
        return 0;
    });
}

int SetCtrlIndex(int panel, int control, int index) {
    return WithRing(panel, control, [&](Control& c, uint32_t* changed) {
        int st = CheckIndex(c, index);
        if (st < 0) return st;
        if (c.selected != index) {
            c.selected = index;
            *changed |= CHANGE_VALUE;
        }
        return 0;
    });
}

int GetCtrlIndex(int panel, int control, int* index) {
    if (!index) return UIE_BadArgument;
    return WithRing(panel, control, [&](Control& c, uint32_t*) {
        *index = c.selected;
        return 0;
    });
}

int GetValueLengthFromIndex(int panel, int control, int index, int* length) {
    if (!length) return UIE_BadArgument;
    return WithRing(panel, control, [&](Control& c, uint32_t*) {
        int st = CheckIndex(c, index);
        if (st < 0) return st;
        *length = static_cast<int>(ValueText(c, index).size());
        return 0;
    });
}

int GetValueFromIndex(int panel, int control, int index, std::string* value) {
    if (!value) return UIE_BadArgument;
    return WithRing(panel, control, [&](Control& c, uint32_t*) {
        int st = CheckIndex(c, index);
        if (st < 0) return st;
        *value = ValueText(c, index);
        return 0;
    });
}

int GetLabelFromIndex(int panel, int control, int index, std::string* label) {
    if (!label) return UIE_BadArgument;
    return WithRing(panel, control, [&](Control& c, uint32_t*) {
        int st = CheckIndex(c, index);
        if (st < 0) return st;
        *label = c.items[static_cast<size_t>(index)].label;
        return 0;
    });
}
