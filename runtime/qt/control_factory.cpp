#include "runtime/qt/control_kinds.h"
#include "runtime/qt/control_view.h"
#include "runtime/userint.h"

ControlView* CreateControlView(int panel, int control, const ControlSnapshot& snapshot) {
    switch (snapshot.kind) {
    case KIND_NUMERIC_SLIDE:
        return NewSlideView(panel, control);
    case KIND_STRING:
        return NewStringView(panel, control);
    case KIND_TEXT_BOX:
        return NewTextBoxView(panel, control);
    case KIND_COMMAND_BUTTON:
        return NewCommandButtonView(panel, control);
    case KIND_TOGGLE_BUTTON:
    case KIND_BINARY_SWITCH:
    case KIND_CHECK_BOX:
        return NewTwoStateView(panel, control);
    case KIND_RING:
        return NewRingView(panel, control);
    case KIND_TEXT_MSG:
        return NewTextMessageView(panel, control);
    case KIND_DECORATION:
        return NewDecorationView(panel, control);
    case KIND_GRAPH:
        return NewGraphView(panel, control);
    case KIND_NUMERIC:
    default:
        return NewNumericView(panel, control);
    }
}
