#include "runtime/value_text.h"

#include "runtime/userint.h"

#include <cerrno>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace corvane::model {

std::string FormatNumber(double v, int dataType) {
    char buf[64];
    std::to_chars_result r;
    if (dataType == VAL_INTEGER) {
        r = std::to_chars(buf, buf + sizeof buf, ToInt(v));
    } else if (dataType == VAL_FLOAT) {
        r = std::to_chars(buf, buf + sizeof buf, ToFloat(v));
    } else {
        r = std::to_chars(buf, buf + sizeof buf, v);
    }
    return std::string(buf, r.ptr);
}

std::string FormatWithPrecision(double v, int dataType, int precision) {
    if (dataType == VAL_INTEGER) return FormatNumber(v, dataType);
    if (precision < 0) precision = 0;
    if (precision > 15) precision = 15;
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", precision, v);
    return buf;
}

bool ParseNumber(const std::string& text, double* out) {
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t')
        ++begin;
    if (*begin == '\0') return false;
    // strtod accepts hexadecimal and "inf"/"nan"; a decimal number is all a control takes.
    for (const char* p = begin; *p; ++p) {
        if (*p == 'x' || *p == 'X' || *p == 'n' || *p == 'N' || *p == 'i' || *p == 'I')
            return false;
    }
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(begin, &end);
    if (end == begin) return false;
    while (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n')
        ++end;
    if (*end != '\0') return false;
    *out = v; // out of range gives +-HUGE_VAL, which the data type then clamps
    return true;
}

int ToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(v); // toward zero
}

float ToFloat(double v) {
    if (std::isnan(v)) return static_cast<float>(v);
    if (v > static_cast<double>(FLT_MAX)) return std::isinf(v) ? HUGE_VALF : FLT_MAX;
    if (v < -static_cast<double>(FLT_MAX)) return std::isinf(v) ? -HUGE_VALF : -FLT_MAX;
    return static_cast<float>(v);
}

double CoerceToDataType(double v, int dataType) {
    if (dataType == VAL_INTEGER) return ToInt(v);
    if (dataType == VAL_FLOAT) return ToFloat(v);
    return v;
}

} // namespace corvane::model
