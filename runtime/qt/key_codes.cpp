#include "runtime/qt/key_codes.h"

#include <QKeyEvent>

namespace {

int VirtualKey(int key) {
    switch (key) {
    case Qt::Key_Backspace:
        return VIEW_BACKSPACE_VKEY;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VIEW_TAB_VKEY;
    case Qt::Key_Escape:
        return VIEW_ESC_VKEY;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VIEW_ENTER_VKEY;
    case Qt::Key_Up:
        return VIEW_UP_VKEY;
    case Qt::Key_Down:
        return VIEW_DOWN_VKEY;
    case Qt::Key_Left:
        return VIEW_LEFT_VKEY;
    case Qt::Key_Right:
        return VIEW_RIGHT_VKEY;
    case Qt::Key_Insert:
        return VIEW_INSERT_VKEY;
    case Qt::Key_Delete:
        return VIEW_DELETE_VKEY;
    case Qt::Key_Home:
        return VIEW_HOME_VKEY;
    case Qt::Key_End:
        return VIEW_END_VKEY;
    case Qt::Key_PageUp:
        return VIEW_PAGE_UP_VKEY;
    case Qt::Key_PageDown:
        return VIEW_PAGE_DOWN_VKEY;
    default:
        break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return VIEW_F1_VKEY + (key - Qt::Key_F1) * 0x0100;
    return 0;
}

} // namespace

int RuntimeKeyCode(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods = event.modifiers();
    const int ctrl = (mods & Qt::ControlModifier) ? VIEW_CTRL_MODIFIER : 0;
    if (int vkey = VirtualKey(event.key()); vkey != 0) {
        return vkey | ctrl | ((mods & Qt::ShiftModifier) ? VIEW_SHIFT_MODIFIER : 0);
    }
    // With Ctrl the text is a control character; the key names the letter.
    if (ctrl != 0 && event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z) {
        return ('a' + (event.key() - Qt::Key_A)) | ctrl;
    }
    const QString text = event.text();
    if (text.size() == 1 && text.at(0).unicode() >= 0x20 && text.at(0).unicode() < 0x100) {
        return text.at(0).unicode() | ctrl;
    }
    return 0;
}
