#pragma once
// Flat drawing primitives of the visual style: solid and gradient fills, one-pixel
// frames and small glyphs. They create no GDI object, so no paint can leak one.
#include <windows.h>

#include "platform/handles.h"

namespace platform {

// An off-screen image the size of a control, painted in full and then copied to
// the screen at once so the control never shows half-drawn. Members are declared
// in the order they are acquired and so released in reverse.
class OffscreenCanvas {
 public:
  OffscreenCanvas(HDC target, int width, int height);
  OffscreenCanvas(const OffscreenCanvas&) = delete;
  OffscreenCanvas& operator=(const OffscreenCanvas&) = delete;

  HDC dc() const { return memory_.get(); }
  explicit operator bool() const { return memory_ && bitmap_; }
  // Copies the whole image to (x, y) of the target, within the target's clipping.
  void CopyTo(HDC target, int x = 0, int y = 0) const;

 private:
  int width_;
  int height_;
  UniqueMemoryDc memory_;
  UniqueBitmap bitmap_;
  SelectedObject selection_;
};

COLORREF BlendColours(COLORREF from, COLORREF to, int step, int steps);

void FillSolid(HDC dc, const RECT& area, COLORREF colour);
// Top-to-bottom gradient, one solid row per pixel line.
void FillVerticalGradient(HDC dc, const RECT& area, COLORREF top, COLORREF bottom);
// A one-pixel frame just inside the area.
void DrawFrame(HDC dc, const RECT& area, COLORREF colour);
// The same with its four corner pixels left alone, which reads as a rounded edge.
void DrawSoftFrame(HDC dc, const RECT& area, COLORREF colour);

enum class ArrowDirection { kUp, kDown, kLeft, kRight };
// A filled triangle centred in the area, sized to it.
void DrawArrowGlyph(HDC dc, const RECT& area, ArrowDirection direction, COLORREF colour);

// The 7-by-7 tick of a checked box, its top-left corner at (x, y).
void DrawCheckMark(HDC dc, int x, int y, COLORREF colour);

// A 13-by-13 circle at (x, y): frame, gradient face, and a dot when checked.
void DrawRadioCircle(HDC dc, int x, int y, COLORREF frame, COLORREF faceTop, COLORREF faceBottom,
                     bool dot, COLORREF dotColour);

constexpr int kCheckBoxSize = 13;

}  // namespace platform
