// Numbers to and from their decimal text, and coercion of numbers to a control's data type.
#pragma once

#include <string>

namespace corvane::model {

// Shortest decimal text that reads back to the same number in the given data type
// (VAL_INTEGER: "%d"; VAL_FLOAT: single precision; otherwise double precision).
std::string FormatNumber(double v, int dataType);
// Fixed-point text with `precision` digits after the point (integers without a point).
std::string FormatWithPrecision(double v, int dataType, int precision);
// Reads a whole text as a decimal number; blanks around it are allowed. False when the text
// is not a number.
bool ParseNumber(const std::string& text, double* out);
// Truncates toward zero and clamps to the int range; NaN gives 0.
int ToInt(double v);
// Rounds to single precision, clamped to the float range (NaN stays NaN).
float ToFloat(double v);
// The number as the data type holds it.
double CoerceToDataType(double v, int dataType);

} // namespace corvane::model
