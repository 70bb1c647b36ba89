#include "platform/flat_drawing.h"

#include <algorithm>

namespace platform {

OffscreenCanvas::OffscreenCanvas(HDC target, int width, int height)
    : width_(std::max(width, 1)),
      height_(std::max(height, 1)),
      memory_(CreateCompatibleDC(target)),
      bitmap_(CreateCompatibleBitmap(target, width_, height_)),
      selection_(memory_.get(), bitmap_.get()) {}

void OffscreenCanvas::CopyTo(HDC target, int x, int y) const {
  BitBlt(target, x, y, width_, height_, memory_.get(), 0, 0, SRCCOPY);
}

COLORREF BlendColours(COLORREF from, COLORREF to, int step, int steps) {
  if (steps <= 0) return from;
  auto mix = [&](int a, int b) { return static_cast<BYTE>(a + (b - a) * step / steps); };
  return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
             mix(GetBValue(from), GetBValue(to)));
}

void FillSolid(HDC dc, const RECT& area, COLORREF colour) {
  if (area.right <= area.left || area.bottom <= area.top) return;
  // An opaque empty text run fills with the background colour without a brush.
  COLORREF previous = SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
  SetBkColor(dc, previous);
}

void FillVerticalGradient(HDC dc, const RECT& area, COLORREF top, COLORREF bottom) {
  int rows = area.bottom - area.top;
  for (int row = 0; row < rows; ++row) {
    RECT line{area.left, area.top + row, area.right, area.top + row + 1};
    FillSolid(dc, line, BlendColours(top, bottom, row, std::max(rows - 1, 1)));
  }
}

void DrawFrame(HDC dc, const RECT& area, COLORREF colour) {
  FillSolid(dc, {area.left, area.top, area.right, area.top + 1}, colour);
  FillSolid(dc, {area.left, area.bottom - 1, area.right, area.bottom}, colour);
  FillSolid(dc, {area.left, area.top, area.left + 1, area.bottom}, colour);
  FillSolid(dc, {area.right - 1, area.top, area.right, area.bottom}, colour);
}

void DrawSoftFrame(HDC dc, const RECT& area, COLORREF colour) {
  FillSolid(dc, {area.left + 1, area.top, area.right - 1, area.top + 1}, colour);
  FillSolid(dc, {area.left + 1, area.bottom - 1, area.right - 1, area.bottom}, colour);
  FillSolid(dc, {area.left, area.top + 1, area.left + 1, area.bottom - 1}, colour);
  FillSolid(dc, {area.right - 1, area.top + 1, area.right, area.bottom - 1}, colour);
}

void DrawArrowGlyph(HDC dc, const RECT& area, ArrowDirection direction, COLORREF colour) {
  int width = area.right - area.left;
  int height = area.bottom - area.top;
  bool vertical = direction == ArrowDirection::kUp || direction == ArrowDirection::kDown;
  // The triangle's depth; its base is twice that minus one.
  int depth = std::clamp((vertical ? std::min(width / 2, height) : std::min(height / 2, width)) / 2, 1, 4);
  int centreX = area.left + width / 2;
  int centreY = area.top + height / 2;
  for (int i = 0; i < depth; ++i) {
    int half = depth - 1 - i;  // the widest line first
    switch (direction) {
      case ArrowDirection::kDown: {
        int y = centreY - depth / 2 + i;
        FillSolid(dc, {centreX - half, y, centreX + half + 1, y + 1}, colour);
        break;
      }
      case ArrowDirection::kUp: {
        int y = centreY + (depth - 1) / 2 - i;
        FillSolid(dc, {centreX - half, y, centreX + half + 1, y + 1}, colour);
        break;
      }
      case ArrowDirection::kRight: {
        int x = centreX - depth / 2 + i;
        FillSolid(dc, {x, centreY - half, x + 1, centreY + half + 1}, colour);
        break;
      }
      case ArrowDirection::kLeft: {
        int x = centreX + (depth - 1) / 2 - i;
        FillSolid(dc, {x, centreY - half, x + 1, centreY + half + 1}, colour);
        break;
      }
    }
  }
}

void DrawCheckMark(HDC dc, int x, int y, COLORREF colour) {
  // Each column of the tick as its first row and its height: three pixels thick.
  constexpr struct { int top; int height; } kColumns[7] = {
      {2, 3}, {3, 3}, {4, 3}, {3, 3}, {2, 3}, {1, 3}, {0, 3}};
  for (int column = 0; column < 7; ++column) {
    FillSolid(dc, {x + column, y + kColumns[column].top, x + column + 1,
                   y + kColumns[column].top + kColumns[column].height}, colour);
  }
}

namespace {

// Horizontal extent of each row of a 13-pixel circle, and of the 5-pixel dot inside it.
constexpr struct { int left; int right; } kCircleRows[kCheckBoxSize] = {
    {4, 8}, {2, 10}, {1, 11}, {1, 11}, {0, 12}, {0, 12}, {0, 12},
    {0, 12}, {0, 12}, {1, 11}, {1, 11}, {2, 10}, {4, 8}};
constexpr struct { int left; int right; } kDotRows[5] = {{5, 7}, {4, 8}, {4, 8}, {4, 8}, {5, 7}};

bool InsideCircle(int column, int row) {
  if (row < 0 || row >= kCheckBoxSize) return false;
  return column >= kCircleRows[row].left && column <= kCircleRows[row].right;
}

}  // namespace

void DrawRadioCircle(HDC dc, int x, int y, COLORREF frame, COLORREF faceTop, COLORREF faceBottom,
                     bool dot, COLORREF dotColour) {
  for (int row = 0; row < kCheckBoxSize; ++row) {
    COLORREF face = BlendColours(faceTop, faceBottom, row, kCheckBoxSize - 1);
    for (int column = kCircleRows[row].left; column <= kCircleRows[row].right; ++column) {
      bool edge = !InsideCircle(column - 1, row) || !InsideCircle(column + 1, row) ||
                  !InsideCircle(column, row - 1) || !InsideCircle(column, row + 1);
      SetPixelV(dc, x + column, y + row, edge ? frame : face);
    }
  }
  if (!dot) return;
  for (int row = 0; row < 5; ++row) {
    FillSolid(dc, {x + kDotRows[row].left, y + 4 + row, x + kDotRows[row].right + 1, y + 5 + row},
              dotColour);
  }
}

}  // namespace platform
