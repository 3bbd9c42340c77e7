// Control values to command text and reply text to control values.
#pragma once

#include "engine/app_record.h"

// The integer value of a group position: the control's value times the position's scale when
// a mapping applies (scale neither 1.0 nor 0.0), else the percent conversion of the group's
// letter ("P": 0..4095, "I": 0..1023). Results beyond the int range are clamped.
int MainWorking_GetCtrlValAsInt(int panel, int position, const CommandGroup& group);

// Writes the value text of a group position into buffer (at most size-1 characters and a
// terminating zero) by the position's value type: "D" and "F" as a decimal integer after
// mapping or percent conversion, "S" the control's text (cut to fit), "0" an empty text, any
// other type nothing. Returns the status of the control read (0 when nothing is read); on a
// failed read the buffer holds an empty text.
int MainWorking_GetCtrlValAsChar(int panel, int position, const CommandGroup& group, char* buffer,
                                 int size);

// Writes a reply text into entry.ctrl by entry.valueType: "D" its decimal conversion, "S" the
// text. Returns the status of the control write; -1 for any other value type.
int MainWorking_SetCtrlValAsChar(int panel, const ReplyEntry& entry, const char* text);

// Mapping control callback: on commit reads the control's value as a float into the scale
// cell (a ScaleCell*) given as callback data.
int MainWorking_Mapping(int panel, int control, int event, void* scaleCell, int eventData1,
                        int eventData2);

namespace conversion {
// True when a scale factor replaces the percent conversion.
bool MappingApplies(float scale);
// Percent conversion of a letter, in single precision: v * 4095 / 100 for "P",
// v * 1023 / 100 for "I", v otherwise.
float PercentToCounts(char letter, double value);
// Truncation toward zero, clamped to the int range (NaN gives 0).
int TruncateToInt(long double value);
// Decimal conversion of a reply text: blanks, sign, digits up to the first non-digit; no
// digits gives 0; clamped to the int range.
int DecimalValue(const char* text);
} // namespace conversion
