#include "platform/picture_painting.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "picture/bmp_layout.h"
#include "picture/fit_placement.h"
#include "picture/shrink_average.h"
#include "platform/handles.h"

namespace platform {
namespace {

const BITMAPINFO* InfoOf(const picture::BitmapView& view) {
  return reinterpret_cast<const BITMAPINFO*>(view.info);
}

void DrawNatural(HDC dc, int left, int top, const picture::BitmapView& view) {
  SetDIBitsToDevice(dc, left, top, static_cast<DWORD>(view.width), static_cast<DWORD>(view.rows()),
                    0, 0, 0, static_cast<UINT>(view.rows()), view.pixels, InfoOf(view),
                    DIB_RGB_COLORS);
}

void FillArea(HDC dc, HBRUSH brush, int left, int top, int right, int bottom) {
  if (left >= right || top >= bottom) return;
  const RECT area{left, top, right, bottom};
  FillRect(dc, &area, brush);
}

}  // namespace

bool CanPaintPicture(std::span<const std::uint8_t> bytes) {
  return picture::ReadBitmap(bytes).has_value();
}

void PaintPictureTiled(HDC dc, int width, int height, std::span<const std::uint8_t> bytes) {
  const auto view = picture::ReadBitmap(bytes);
  if (!view || width <= 0 || height <= 0) return;
  const int tileWidth = view->width;
  const int tileHeight = view->rows();

  // The last copies are cut at the area's edges, and only the copies that
  // meet the area still to be painted are drawn.
  const int saved = SaveDC(dc);
  RECT clip{};
  if (IntersectClipRect(dc, 0, 0, width, height) != NULLREGION &&
      GetClipBox(dc, &clip) != NULLREGION) {
    const int firstColumn = std::max<int>(0, clip.left) / tileWidth;
    const int firstRow = std::max<int>(0, clip.top) / tileHeight;
    for (long long top = static_cast<long long>(firstRow) * tileHeight; top < clip.bottom;
         top += tileHeight) {
      for (long long left = static_cast<long long>(firstColumn) * tileWidth; left < clip.right;
           left += tileWidth) {
        DrawNatural(dc, static_cast<int>(left), static_cast<int>(top), *view);
      }
    }
  }
  if (saved != 0) RestoreDC(dc, saved);
}

void PaintPictureCentredFit(HDC dc, int width, int height, std::span<const std::uint8_t> bytes,
                            COLORREF background) {
  if (width <= 0 || height <= 0) return;
  const auto view = picture::ReadBitmap(bytes);
  picture::Placement place;
  if (view) place = picture::FitCentred(view->width, view->rows(), width, height);

  // The background goes only around the picture, so the picture's own pixels
  // are painted once and do not flicker.
  UniqueBrush brush(CreateSolidBrush(background));
  const int pictureRight = place.left + place.width;
  const int pictureBottom = place.top + place.height;
  if (place.width == 0 || place.height == 0) {
    FillArea(dc, brush.get(), 0, 0, width, height);
    return;
  }
  FillArea(dc, brush.get(), 0, 0, width, place.top);
  FillArea(dc, brush.get(), 0, pictureBottom, width, height);
  FillArea(dc, brush.get(), 0, place.top, place.left, pictureBottom);
  FillArea(dc, brush.get(), pictureRight, place.top, width, pictureBottom);

  if (place.width == view->width && place.height == view->rows()) {
    DrawNatural(dc, place.left, place.top, *view);
    return;
  }
  if (picture::CanShrinkByAveraging(*view)) {
    // Averaged here rather than by the HALFTONE stretch mode, which some
    // platforms (Wine among them) treat as plain pixel dropping.
    const std::vector<std::uint32_t> shrunk =
        picture::ShrinkByAveraging(*view, place.width, place.height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = place.width;
    info.bmiHeader.biHeight = -place.height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, place.left, place.top, static_cast<DWORD>(place.width),
                      static_cast<DWORD>(place.height), 0, 0, 0, static_cast<UINT>(place.height),
                      shrunk.data(), &info, DIB_RGB_COLORS);
    return;
  }
  // HALFTONE averages the source pixels that fall on each target pixel
  // instead of dropping rows and columns; it needs the brush origin reset.
  const int previousMode = SetStretchBltMode(dc, HALFTONE);
  POINT previousOrigin{};
  SetBrushOrgEx(dc, 0, 0, &previousOrigin);
  StretchDIBits(dc, place.left, place.top, place.width, place.height, 0, 0, view->width,
                view->rows(), view->pixels, InfoOf(*view), DIB_RGB_COLORS, SRCCOPY);
  SetBrushOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
  if (previousMode != 0) SetStretchBltMode(dc, previousMode);
}

}  // namespace platform
