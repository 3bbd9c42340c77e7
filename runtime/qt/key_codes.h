// Run-time key codes of EVENT_KEYPRESS (eventData1) for Qt key events.
//
// A code is either a character (its code point, when below 0x100) or a virtual key in the bits
// 0xFF00, plus modifier bits. Enter (0x0500) and F1 (0x1800) are the codes the modules act on;
// the others are this view's own choice and are listed here so that they stay stable.
#pragma once

class QKeyEvent;

enum ViewKeyCode : int {
    VIEW_BACKSPACE_VKEY = 0x0100,
    VIEW_TAB_VKEY = 0x0200,
    VIEW_ESC_VKEY = 0x0400,
    VIEW_ENTER_VKEY = 0x0500, // = VAL_ENTER_VKEY (Return and keypad Enter)
    VIEW_UP_VKEY = 0x0600,
    VIEW_DOWN_VKEY = 0x0700,
    VIEW_LEFT_VKEY = 0x0800,
    VIEW_RIGHT_VKEY = 0x0900,
    VIEW_INSERT_VKEY = 0x0A00,
    VIEW_DELETE_VKEY = 0x0B00,
    VIEW_HOME_VKEY = 0x0C00,
    VIEW_END_VKEY = 0x0D00,
    VIEW_PAGE_UP_VKEY = 0x0E00,
    VIEW_PAGE_DOWN_VKEY = 0x0F00,
    VIEW_F1_VKEY = 0x1800,         // = VAL_F1_VKEY; F2 .. F12 follow in steps of 0x0100
    VIEW_SHIFT_MODIFIER = 0x10000, // with virtual keys only: a character already carries its case
    VIEW_CTRL_MODIFIER = 0x20000,
};

// The run-time code of a key press, or 0 for keys without one (a modifier key alone, characters
// beyond Latin-1).
int RuntimeKeyCode(const QKeyEvent& event);
