#pragma once
// Types of the user interface that forms and components share.
#include "Sets.h"

enum TShiftStateElem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateElem>;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
