#pragma once
// The colours of one visual style. Styles 1, 2 and 3 each have a palette; the
// program itself uses style 2, the olive one.
#include <windows.h>

namespace platform {

struct VisualStylePalette {
  // Push buttons: frame, face gradient at rest, pressed and mouse-over, and the
  // inner ring that marks the focused or default button.
  COLORREF buttonFrame;
  COLORREF buttonFaceTop;
  COLORREF buttonFaceBottom;
  COLORREF buttonPressedTop;
  COLORREF buttonPressedBottom;
  COLORREF buttonHotTop;
  COLORREF buttonHotBottom;
  COLORREF focusRing;
  COLORREF hotRing;
  // Edit boxes, combo boxes, their lists and up-down controls.
  COLORREF fieldFrame;
  COLORREF fieldFocusRing;
  COLORREF arrowFrame;
  COLORREF arrowFaceTop;
  COLORREF arrowFaceBottom;
  COLORREF arrowGlyph;
  // Check boxes and radio buttons.
  COLORREF boxFrame;
  COLORREF boxFaceTop;
  COLORREF boxFaceBottom;
  COLORREF checkMark;
  // Group boxes.
  COLORREF groupFrame;
  COLORREF groupText;
};

// The palette of style 1, 2 or 3; nullptr for any other number.
const VisualStylePalette* PaletteForStyle(int style);

// Every disabled control is framed in the button-face colour darkened by 32 per channel.
COLORREF DisabledFrameColour();

}  // namespace platform
