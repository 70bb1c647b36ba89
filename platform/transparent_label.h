#pragma once
// The transparent label: draws its text with no background of its own, so
// whatever lies beneath (the window, a canvas) shows around the letters.
#include <windows.h>

namespace platform {

// Registers the class once. A window of this class takes its text colour from
// the TextColour property set on it and its font from WM_SETFONT.
const wchar_t* TransparentLabelClass();

void SetTransparentLabelColour(HWND label, COLORREF colour);

}  // namespace platform
