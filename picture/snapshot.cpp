#include "picture/snapshot.h"

#include <array>
#include <cstring>
#include <new>

#include "picture/bmp_layout.h"
#include "platform/handles.h"

namespace picture {
namespace {

// SelectObject does not take palettes; this puts the DC's previous palette
// back at the end of the scope.
class SelectedPalette {
 public:
  SelectedPalette(HDC dc, HPALETTE palette) : dc_(dc), previous_(SelectPalette(dc, palette, FALSE)) {
    RealizePalette(dc);
  }
  SelectedPalette(const SelectedPalette&) = delete;
  SelectedPalette& operator=(const SelectedPalette&) = delete;
  ~SelectedPalette() {
    if (previous_) SelectPalette(dc_, previous_, FALSE);
  }

 private:
  HDC dc_;
  HPALETTE previous_;
};

// On a palette display, a logical palette of the system palette's entries
// 0 to 254; elsewhere nothing (the default palette is used instead).
platform::UniquePalette SystemPaletteCopy(HDC screen) {
  if ((GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) == 0) return {};
  constexpr WORD kEntries = 255;
  struct {
    WORD version;
    WORD count;
    PALETTEENTRY entries[kEntries];
  } palette{0x300, kEntries, {}};
  GetSystemPaletteEntries(screen, 0, kEntries, palette.entries);
  return platform::UniquePalette(CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette)));
}

// Off-screen copy of the source's top-left width x height pixels in the
// display's own format. With no width or height the platform gives a 1x1
// monochrome bitmap and nothing is copied.
platform::UniqueBitmap CopySourcePixels(HDC source, int width, int height) {
  platform::UniqueMemoryDc memory(CreateCompatibleDC(source));
  if (!memory) return {};
  platform::UniqueBitmap bitmap(CreateCompatibleBitmap(source, width, height));
  if (!bitmap && (width == 0 || height == 0)) {
    bitmap.reset(CreateBitmap(1, 1, 1, 1, nullptr));
  }
  if (!bitmap) return {};
  if (width > 0 && height > 0) {
    platform::SelectedObject selection(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, source, 0, 0, SRCCOPY);
  }
  return bitmap;
}

// Converts the bitmap into a 24-bit picture: the 54 header bytes, then the
// rows bottom-up, all in the one block that is returned.
PictureBytes ConvertToPicture(HBITMAP bitmap) {
  BITMAP size{};
  if (GetObjectW(bitmap, sizeof size, &size) == 0 || size.bmWidth <= 0 || size.bmHeight <= 0) {
    return {};
  }

  platform::WindowDc screen = platform::WindowDc::Client(nullptr);
  if (!screen) return {};
  platform::UniquePalette systemPalette = SystemPaletteCopy(screen.get());
  const HPALETTE palette = systemPalette ? systemPalette.get()
                                         : static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  SelectedPalette selectedPalette(screen.get(), palette);

  // Room for a colour table in case a driver writes one even at 24 bits.
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = size.bmWidth;
  info.header.biHeight = size.bmHeight;
  info.header.biPlanes = 1;
  info.header.biBitCount = kPictureBitCount;
  info.header.biCompression = BI_RGB;
  auto* bitmapInfo = reinterpret_cast<BITMAPINFO*>(&info);

  GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(size.bmHeight), nullptr, bitmapInfo,
            DIB_RGB_COLORS);
  std::uint64_t imageSize = info.header.biSizeImage;
  // A report below the real need (0 included) would let the conversion write
  // past the block.
  const std::uint64_t rowsNeed = ImageSize(size.bmWidth, size.bmHeight);
  if (imageSize < rowsNeed) imageSize = rowsNeed;
  if (kPicturePixelsOffset + imageSize > 0xFFFFFFFFu) return {};

  PictureBytes bytes;
  try {
    bytes.resize(static_cast<std::size_t>(kPicturePixelsOffset + imageSize));
  } catch (const std::bad_alloc&) {
    return {};
  }
  const PictureHeader header =
      BuildPictureHeader(size.bmWidth, size.bmHeight, static_cast<std::uint32_t>(imageSize));
  std::memcpy(bytes.data(), header.data(), header.size());

  // The call may rewrite the header it is given, so it gets its own copy and
  // the picture keeps the fields above.
  info.header.biSizeImage = static_cast<DWORD>(imageSize);
  const int rows = GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(size.bmHeight),
                             bytes.data() + kPicturePixelsOffset, bitmapInfo, DIB_RGB_COLORS);
  if (rows == 0) return {};
  return bytes;
}

PictureBytes Snapshot(HDC source, int width, int height) {
  if (!source) return {};
  platform::UniqueBitmap bitmap = CopySourcePixels(source, width, height);
  if (!bitmap) return {};
  return ConvertToPicture(bitmap.get());
}

}  // namespace

PictureBytes SnapshotScreen() {
  platform::WindowDc screen = platform::WindowDc::Client(nullptr);
  return Snapshot(screen.get(), GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

PictureBytes SnapshotWindow(HWND window) {
  if (window == nullptr) return SnapshotScreen();
  if (!IsWindow(window)) return {};
  RECT outer{};
  if (!GetWindowRect(window, &outer)) return {};
  platform::WindowDc source = platform::WindowDc::Whole(window);
  return Snapshot(source.get(), outer.right - outer.left, outer.bottom - outer.top);
}

}  // namespace picture
