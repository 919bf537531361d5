#pragma once
// Key codes as the stored tables know them: a shortcut is the virtual key
// in the low 13 bits plus 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt.
#include "UiTypes.h"
#include <QKeyEvent>
#include <QString>

using TShortCut = quint16;

namespace VK {
constexpr int BACK = 0x08, TAB = 0x09, RETURN = 0x0D, SHIFT = 0x10, CONTROL = 0x11, MENU = 0x12,
              ESCAPE = 0x1B, SPACE = 0x20, PRIOR = 0x21, NEXT = 0x22, END = 0x23, HOME = 0x24,
              LEFT = 0x25, UP = 0x26, RIGHT = 0x27, DOWN = 0x28, INSERT = 0x2D, DELETE_ = 0x2E,
              NUMPAD0 = 0x60, F1 = 0x70;
}

constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;

// Virtual key of a Qt key (0 when it has none); digits and letters map to
// their ASCII codes, keypad digits to NUMPAD0 + n.
int VirtualKeyOf(const QKeyEvent* e);
int VirtualKeyOfQtKey(int qtKey, bool keypad = false);
TShiftState ShiftStateOf(Qt::KeyboardModifiers m);
TShortCut ShortCut(int virtualKey, TShiftState shift);
void ShortCutToKey(TShortCut sc, int& virtualKey, TShiftState& shift);
// German key names as the system shows them: "Strg+S", "Bild ab", "Umsch+F3".
QString ShortCutToText(TShortCut sc);
// The Qt key sequence of a shortcut (for menus); empty when there is none.
QKeySequence ShortCutToKeySequence(TShortCut sc);
