#include "engine/conversion.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/control_name.h"

namespace conversion {

bool MappingApplies(float scale) {
    return scale != 1.0f && scale != 0.0f;
}

float PercentToCounts(char letter, double value) {
    if (letter == 'P') return static_cast<float>(value * 4095.0 / 100.0);
    if (letter == 'I') return static_cast<float>(value * 1023.0 / 100.0);
    return static_cast<float>(value);
}

int TruncateToInt(long double value) {
    if (std::isnan(value)) return 0;
    long double t = std::trunc(value);
    if (t >= static_cast<long double>(INT_MAX)) return INT_MAX;
    if (t <= static_cast<long double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(t);
}

int DecimalValue(const char* text) {
    return text ? control_name::NumberAt(text, 0) : 0;
}

} // namespace conversion

using namespace conversion;

namespace {

// Integer after mapping or percent conversion.
int ConvertInt(char letter, float scale, int v) {
    if (MappingApplies(scale)) return TruncateToInt(static_cast<long double>(scale) * v);
    if (letter == 'P' || letter == 'I') return TruncateToInt(PercentToCounts(letter, v));
    return v;
}

int ConvertFloat(char letter, float scale, float f) {
    if (MappingApplies(scale)) return TruncateToInt(static_cast<long double>(scale) * f);
    return TruncateToInt(PercentToCounts(letter, f));
}

void WriteText(char* buffer, int size, const char* text) {
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s", text);
}

bool ValidPosition(int position) {
    return position >= 0 && position < kPositions;
}

} // namespace

int MainWorking_GetCtrlValAsInt(int panel, int position, const CommandGroup& group) {
    if (!ValidPosition(position)) return 0;
    int v = 0;
    if (GetCtrlVal(panel, group.ctrl[position], &v) < 0) v = 0;
    return ConvertInt(group.letter, group.scale[position].load(), v);
}

int MainWorking_GetCtrlValAsChar(int panel, int position, const CommandGroup& group, char* buffer,
                                 int size) {
    if (buffer == nullptr || size <= 0) return UIE_BadArgument;
    if (!ValidPosition(position)) {
        buffer[0] = '\0';
        return UIE_IndexOutOfRange;
    }
    const int ctrl = group.ctrl[position];
    const float scale = group.scale[position].load();
    switch (group.valueType[position]) {
    case 'D': {
        int v = 0;
        int status = GetCtrlVal(panel, ctrl, &v);
        if (status < 0) {
            buffer[0] = '\0';
            return status;
        }
        std::snprintf(buffer, static_cast<std::size_t>(size), "%d",
                      ConvertInt(group.letter, scale, v));
        return status;
    }
    case 'F': {
        float f = 0.0f;
        int status = GetCtrlVal(panel, ctrl, &f);
        if (status < 0) {
            buffer[0] = '\0';
            return status;
        }
        std::snprintf(buffer, static_cast<std::size_t>(size), "%d",
                      ConvertFloat(group.letter, scale, f));
        return status;
    }
    case 'S': {
        int status = GetCtrlValText(panel, ctrl, buffer, size);
        if (status < 0) buffer[0] = '\0';
        return status;
    }
    case '0':
        WriteText(buffer, size, "");
        return 0;
    default:
        return 0;
    }
}

int MainWorking_SetCtrlValAsChar(int panel, const ReplyEntry& entry, const char* text) {
    if (text == nullptr) text = "";
    switch (entry.valueType) {
    case 'D':
        return SetCtrlVal(panel, entry.ctrl, DecimalValue(text));
    case 'S':
        return SetCtrlVal(panel, entry.ctrl, text);
    default:
        return -1;
    }
}

int MainWorking_Mapping(int panel, int control, int event, void* scaleCell, int, int) {
    if (event != EVENT_COMMIT || scaleCell == nullptr) return 0;
    float f = 0.0f;
    if (GetCtrlVal(panel, control, &f) >= 0) static_cast<ScaleCell*>(scaleCell)->store(f);
    return 0;
}
