#pragma once
// The canvas unit: shows a background picture (its own copy of picture bytes)
// and, with auto-redraw, keeps an off-screen image of its client area that
// drawings go to, so they survive hiding and showing.
#include <windows.h>

#include <cstdint>
#include <span>

#include "picture/picture_bytes.h"
#include "platform/handles.h"
#include "platform/toolkit.h"

namespace platform {

class Canvas {
 public:
  Canvas(PictureMode mode, bool autoRedraw, COLORREF penColour);
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // The window class every canvas window is created with.
  static const wchar_t* WindowClass();

  void Attach(HWND window);
  void Detach();

  picture::PictureBytes Picture() const { return picture_; }
  void SetPicture(std::span<const std::uint8_t> bytes);

  // 2 selects the cross-hair, anything else the class's arrow.
  void SetPointer(int shape);

  // The outline of the rectangle between two corners in either order, right
  // and bottom edges excluded, inside left untouched.
  void DrawRectangle(int x1, int y1, int x2, int y2);

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void Paint(HDC dc, int width, int height);
  void PaintPicture(HDC dc, int width, int height);
  void DropUndecodablePicture();
  // Rebuilds the off-screen image at the given size: background colour, the
  // old image at the top-left when keepOld, else the picture in its mode.
  void RebuildImage(int width, int height, bool keepOld);

  PictureMode mode_;
  bool autoRedraw_;
  UniqueBrush outlineBrush_;  // the pen colour, for the one-pixel outline
  HWND window_ = nullptr;
  HCURSOR pointer_ = nullptr;
  picture::PictureBytes picture_;
  // Declared in the order they are acquired: the DC goes before its bitmap.
  UniqueBitmap image_;
  UniqueMemoryDc imageDc_;
  HGDIOBJ imageDcDefaultBitmap_ = nullptr;
  int imageWidth_ = 0;
  int imageHeight_ = 0;
};

}  // namespace platform
