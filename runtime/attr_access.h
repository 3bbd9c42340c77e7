// Typed access to one attribute field, shared by the control, panel and plot attributes: a get
// fills the caller's value, a set checks the type and records what changed.
#pragma once

#include "runtime/userint.h"
#include "runtime/value_text.h"

#include <cstdint>
#include <string>

namespace corvane::model {

struct AttrValue {
    enum Type { Int, Double, Text } type = Int;
    int i = 0;
    double d = 0.0;
    std::string s;
};

struct AttrAccess {
    bool set = false;
    AttrValue* v = nullptr;
    uint32_t changed = 0;

    int ReadOnly(int value) const {
        if (set) return UIE_BadAttribute;
        if (v->type != AttrValue::Int) return UIE_BadArgument;
        v->i = value;
        return 0;
    }
    int ReadOnlyText(const std::string& value) const {
        if (set) return UIE_BadAttribute;
        if (v->type != AttrValue::Text) return UIE_BadArgument;
        v->s = value;
        return 0;
    }
    template <class Valid> int IntField(int& field, uint32_t what, Valid valid) {
        if (v->type != AttrValue::Int) return UIE_BadArgument;
        if (!set) {
            v->i = field;
            return 0;
        }
        if (!valid(v->i)) return UIE_BadAttributeValue;
        if (field != v->i) {
            field = v->i;
            changed |= what;
        }
        return 0;
    }
    int IntField(int& field, uint32_t what) {
        return IntField(field, what, [](int) { return true; });
    }
    int ColorField(int& field, uint32_t what) {
        return IntField(field, what, [](int c) { return c >= -1 && c <= 0xFFFFFF; });
    }
    int NonNegativeField(int& field, uint32_t what) {
        return IntField(field, what, [](int n) { return n >= 0; });
    }
    int BoolField(bool& field, uint32_t what) {
        if (v->type != AttrValue::Int) return UIE_BadArgument;
        if (!set) {
            v->i = field ? 1 : 0;
            return 0;
        }
        bool b = v->i != 0;
        if (field != b) {
            field = b;
            changed |= what;
        }
        return 0;
    }
    // A double attribute; `flexible` also takes and gives ints (values whose type follows the
    // control's data type).
    int DoubleField(double& field, uint32_t what, bool flexible) {
        if (v->type == AttrValue::Text || (v->type == AttrValue::Int && !flexible))
            return UIE_BadArgument;
        if (!set) {
            if (v->type == AttrValue::Int)
                v->i = ToInt(field);
            else
                v->d = field;
            return 0;
        }
        double d = v->type == AttrValue::Int ? v->i : v->d;
        if (field != d) {
            field = d;
            changed |= what;
        }
        return 0;
    }
    int TextField(std::string& field, uint32_t what) {
        if (v->type != AttrValue::Text) return UIE_BadArgument;
        if (!set) {
            v->s = field;
            return 0;
        }
        if (field != v->s) {
            field = v->s;
            changed |= what;
        }
        return 0;
    }
};

} // namespace corvane::model
