// Colours of the run-time (0xRRGGBB ints) as Qt colours.
#pragma once

#include <QColor>

inline QColor ColorFromRgb(int rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}
