#pragma once
// How the visual-style service paints each kind of control it restyles. Every
// painter draws off-screen and copies the result to the target in one go.
#include <windows.h>

#include "platform/visual_style_palette.h"

namespace platform {

// Push buttons, check boxes, radio buttons and group boxes, after the button's
// current style. A group box copies only its frame and caption: its inside
// belongs to the controls grouped there.
void PaintStyledButton(HWND button, HDC target, const VisualStylePalette& palette, bool hot);

// The halves of an up-down control: up and down, or left and right.
enum class UpDownPart { kNone, kFirst, kSecond };
UpDownPart UpDownPartAt(HWND upDown, POINT client);
void PaintStyledUpDown(HWND upDown, HDC target, const VisualStylePalette& palette, UpDownPart hot,
                       UpDownPart pressed);

// A drop-down combo: the system draws the selected item (also an owner-drawn
// one) through systemProcedure, then the frame and the arrow button are drawn
// over it. The edit field of a drop-down combo is left to itself.
void PaintStyledCombo(HWND combo, HDC target, WNDPROC systemProcedure,
                      const VisualStylePalette& palette, bool hot);

// The non-client border of an edit box or a combo's list, drawn on a DC of the
// whole window (origin at the window's top-left corner). Nothing for a window
// without a border. A read-only edit box has a button-face background.
void PaintStyledFieldFrame(HWND field, HDC windowDc, bool isEdit, const VisualStylePalette& palette,
                           bool hot);

}  // namespace platform
