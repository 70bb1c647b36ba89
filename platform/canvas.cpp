#include "platform/canvas.h"

#include <algorithm>

#include "platform/picture_painting.h"

namespace platform {
namespace {

LRESULT CALLBACK CanvasProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* canvas = static_cast<Canvas*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(canvas));
    if (canvas) canvas->Attach(window);
  }
  auto* canvas = reinterpret_cast<Canvas*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (canvas) canvas->Detach();
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return canvas ? canvas->HandleMessage(message, wParam, lParam)
                : DefWindowProcW(window, message, wParam, lParam);
}

HBRUSH BackgroundBrush() { return GetSysColorBrush(COLOR_BTNFACE); }

}  // namespace

Canvas::Canvas(PictureMode mode, bool autoRedraw, COLORREF penColour)
    : mode_(mode), autoRedraw_(autoRedraw), outlineBrush_(CreateSolidBrush(penColour)) {}

const wchar_t* Canvas::WindowClass() {
  static const wchar_t* name = [] {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = CanvasProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"TessarinCanvas";
    RegisterClassExW(&wc);
    return L"TessarinCanvas";
  }();
  return name;
}

void Canvas::Attach(HWND window) { window_ = window; }

void Canvas::Detach() {
  window_ = nullptr;
  // The off-screen image belongs to the window's life; the picture stays.
  if (imageDc_) SelectObject(imageDc_.get(), imageDcDefaultBitmap_);
  imageDc_.reset();
  image_.reset();
  imageWidth_ = imageHeight_ = 0;
}

void Canvas::SetPicture(std::span<const std::uint8_t> bytes) {
  picture_.assign(bytes.begin(), bytes.end());
  if (!window_) return;
  if (autoRedraw_) {
    RECT client;
    GetClientRect(window_, &client);
    RebuildImage(client.right, client.bottom, false);
  }
  InvalidateRect(window_, nullptr, FALSE);
}

void Canvas::SetPointer(int shape) {
  pointer_ = shape == 2 ? LoadCursorW(nullptr, IDC_CROSS) : nullptr;
  if (!window_) return;
  // Show the new shape at once where the pointer already is, without a move.
  POINT at;
  if (GetCursorPos(&at)) {
    SetCursorPos(at.x, at.y);
    if (WindowFromPoint(at) == window_)
      SetCursor(pointer_ ? pointer_ : LoadCursorW(nullptr, IDC_ARROW));
  }
}

void Canvas::DrawRectangle(int x1, int y1, int x2, int y2) {
  const RECT area{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  // The four one-pixel edges drawn as fills in the pen's colour: the same
  // pixels as a one-pixel pen in copy mode, down to an area of a single pixel,
  // which some GDIs' Rectangle leaves out.
  auto draw = [&](HDC dc) {
    if (area.right <= area.left || area.bottom <= area.top) return;
    const RECT edges[] = {
        {area.left, area.top, area.right, area.top + 1},
        {area.left, area.bottom - 1, area.right, area.bottom},
        {area.left, area.top, area.left + 1, area.bottom},
        {area.right - 1, area.top, area.right, area.bottom},
    };
    for (const RECT& edge : edges) FillRect(dc, &edge, outlineBrush_.get());
  };
  if (autoRedraw_) {
    if (imageDc_) draw(imageDc_.get());
    if (window_) {
      InvalidateRect(window_, &area, FALSE);
      UpdateWindow(window_);
    }
  } else if (window_) {
    WindowDc dc = WindowDc::Client(window_);
    if (dc) draw(dc.get());
  }
}

void Canvas::DropUndecodablePicture() {
  if (!picture_.empty() && !CanPaintPicture(picture_)) picture_.clear();
}

void Canvas::PaintPicture(HDC dc, int width, int height) {
  DropUndecodablePicture();
  RECT all{0, 0, width, height};
  if (picture_.empty()) {
    FillRect(dc, &all, BackgroundBrush());
  } else if (mode_ == PictureMode::Tiled) {
    FillRect(dc, &all, BackgroundBrush());
    PaintPictureTiled(dc, width, height, picture_);
  } else {
    PaintPictureCentredFit(dc, width, height, picture_, GetSysColor(COLOR_BTNFACE));
  }
}

void Canvas::RebuildImage(int width, int height, bool keepOld) {
  if (width <= 0 || height <= 0) {
    if (imageDc_) SelectObject(imageDc_.get(), imageDcDefaultBitmap_);
    image_.reset();
    imageWidth_ = imageHeight_ = 0;
    return;
  }
  WindowDc screen = WindowDc::Client(nullptr);
  if (!imageDc_) {
    imageDc_.reset(CreateCompatibleDC(screen.get()));
    if (!imageDc_) return;
    imageDcDefaultBitmap_ = GetCurrentObject(imageDc_.get(), OBJ_BITMAP);
  }
  // A 32-bit top-down image: exact colours whatever the display depth.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap fresh(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!fresh) return;
  UniqueMemoryDc freshDc(CreateCompatibleDC(screen.get()));
  if (!freshDc) return;
  {
    SelectedObject selected(freshDc.get(), fresh.get());
    RECT all{0, 0, width, height};
    FillRect(freshDc.get(), &all, BackgroundBrush());
    if (keepOld && image_) {
      BitBlt(freshDc.get(), 0, 0, std::min(width, imageWidth_), std::min(height, imageHeight_),
             imageDc_.get(), 0, 0, SRCCOPY);
    } else {
      PaintPicture(freshDc.get(), width, height);
    }
  }
  SelectObject(imageDc_.get(), fresh.get());
  image_ = std::move(fresh);
  imageWidth_ = width;
  imageHeight_ = height;
}

void Canvas::Paint(HDC dc, int width, int height) {
  if (autoRedraw_ && image_) {
    BitBlt(dc, 0, 0, width, height, imageDc_.get(), 0, 0, SRCCOPY);
    return;
  }
  PaintPicture(dc, width, height);
}

LRESULT Canvas::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      if (autoRedraw_) {
        RECT client;
        GetClientRect(window_, &client);
        RebuildImage(client.right, client.bottom, false);
      }
      return 0;
    }
    case WM_SIZE:
      if (autoRedraw_) RebuildImage(LOWORD(lParam), HIWORD(lParam), true);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintDc dc(window_);
      RECT client;
      GetClientRect(window_, &client);
      Paint(dc.get(), client.right, client.bottom);
      return 0;
    }
    case WM_PRINTCLIENT: {
      RECT client;
      GetClientRect(window_, &client);
      Paint(reinterpret_cast<HDC>(wParam), client.right, client.bottom);
      return 0;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && pointer_) {
        SetCursor(pointer_);
        return TRUE;
      }
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace platform
