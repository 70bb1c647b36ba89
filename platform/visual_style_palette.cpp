#include "platform/visual_style_palette.h"

#include <algorithm>

namespace platform {

namespace {

// Style 1: blue frames on white-to-cream faces.
constexpr VisualStylePalette kBlue{
    .buttonFrame = RGB(0, 60, 116),
    .buttonFaceTop = RGB(255, 255, 255),
    .buttonFaceBottom = RGB(226, 223, 214),
    .buttonPressedTop = RGB(209, 204, 193),
    .buttonPressedBottom = RGB(239, 238, 234),
    .buttonHotTop = RGB(255, 255, 255),
    .buttonHotBottom = RGB(236, 234, 226),
    .focusRing = RGB(105, 130, 238),
    .hotRing = RGB(248, 179, 48),
    .fieldFrame = RGB(127, 157, 185),
    .fieldFocusRing = RGB(193, 211, 251),
    .arrowFrame = RGB(159, 182, 230),
    .arrowFaceTop = RGB(225, 234, 254),
    .arrowFaceBottom = RGB(180, 200, 246),
    .arrowGlyph = RGB(77, 97, 133),
    .boxFrame = RGB(28, 81, 128),
    .boxFaceTop = RGB(220, 220, 215),
    .boxFaceBottom = RGB(255, 255, 255),
    .checkMark = RGB(33, 161, 33),
    .groupFrame = RGB(208, 208, 191),
    .groupText = RGB(0, 70, 213),
};

// Style 2: olive green, the style the program runs with.
constexpr VisualStylePalette kOlive{
    .buttonFrame = RGB(55, 98, 6),
    .buttonFaceTop = RGB(255, 255, 255),
    .buttonFaceBottom = RGB(226, 229, 210),
    .buttonPressedTop = RGB(205, 212, 180),
    .buttonPressedBottom = RGB(238, 240, 228),
    .buttonHotTop = RGB(255, 255, 255),
    .buttonHotBottom = RGB(236, 239, 222),
    .focusRing = RGB(143, 172, 83),
    .hotRing = RGB(232, 167, 60),
    .fieldFrame = RGB(164, 185, 127),
    .fieldFocusRing = RGB(210, 224, 178),
    .arrowFrame = RGB(176, 194, 140),
    .arrowFaceTop = RGB(238, 243, 222),
    .arrowFaceBottom = RGB(199, 213, 163),
    .arrowGlyph = RGB(72, 93, 39),
    .boxFrame = RGB(24, 81, 132),
    .boxFaceTop = RGB(220, 222, 208),
    .boxFaceBottom = RGB(255, 255, 255),
    .checkMark = RGB(33, 161, 33),
    .groupFrame = RGB(208, 208, 191),
    .groupText = RGB(82, 110, 38),
};

// Style 3: silver and slate.
constexpr VisualStylePalette kSilver{
    .buttonFrame = RGB(92, 94, 120),
    .buttonFaceTop = RGB(255, 255, 255),
    .buttonFaceBottom = RGB(214, 214, 226),
    .buttonPressedTop = RGB(196, 196, 210),
    .buttonPressedBottom = RGB(236, 236, 242),
    .buttonHotTop = RGB(255, 255, 255),
    .buttonHotBottom = RGB(228, 228, 238),
    .focusRing = RGB(124, 130, 176),
    .hotRing = RGB(255, 196, 86),
    .fieldFrame = RGB(165, 172, 178),
    .fieldFocusRing = RGB(214, 218, 232),
    .arrowFrame = RGB(180, 182, 200),
    .arrowFaceTop = RGB(246, 246, 250),
    .arrowFaceBottom = RGB(206, 206, 220),
    .arrowGlyph = RGB(72, 74, 96),
    .boxFrame = RGB(71, 80, 112),
    .boxFaceTop = RGB(218, 218, 226),
    .boxFaceBottom = RGB(255, 255, 255),
    .checkMark = RGB(60, 68, 120),
    .groupFrame = RGB(200, 200, 210),
    .groupText = RGB(56, 62, 110),
};

BYTE Darker(BYTE channel) { return static_cast<BYTE>(std::max(0, channel - 32)); }

}  // namespace

const VisualStylePalette* PaletteForStyle(int style) {
  switch (style) {
    case 1: return &kBlue;
    case 2: return &kOlive;
    case 3: return &kSilver;
    default: return nullptr;
  }
}

COLORREF DisabledFrameColour() {
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  return RGB(Darker(GetRValue(face)), Darker(GetGValue(face)), Darker(GetBValue(face)));
}

}  // namespace platform
