#pragma once
// Move-only owners for Win32 handles: one template, one alias per handle kind.
// Closing keeps GetLastError intact, so a failure code survives the clean-up.
#include <windows.h>

#include <cstdint>
#include <utility>

namespace platform {

// InvalidBits is the "no handle" value as an integer: a pointer such as
// INVALID_HANDLE_VALUE cannot be a template argument.
template <typename Handle, auto Close, std::intptr_t InvalidBits = 0>
class UniqueHandle {
  static Handle Invalid() { return reinterpret_cast<Handle>(InvalidBits); }

 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : handle_(h) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != Invalid(); }
  Handle release() { return std::exchange(handle_, Invalid()); }
  void reset(Handle h = Invalid()) {
    Handle old = std::exchange(handle_, h);
    if (old != Invalid()) {
      DWORD error = GetLastError();
      Close(old);
      SetLastError(error);
    }
  }

 private:
  Handle handle_ = Invalid();
};

namespace detail {
inline void CloseFile(HANDLE h) { CloseHandle(h); }
inline void DeleteGdiObject(HGDIOBJ h) { DeleteObject(h); }
inline void DeleteMemoryDc(HDC h) { DeleteDC(h); }
inline void DestroyIconHandle(HICON h) { DestroyIcon(h); }
inline void DestroyWindowHandle(HWND h) { DestroyWindow(h); }
}  // namespace detail

using UniqueFile = UniqueHandle<HANDLE, detail::CloseFile, -1>;  // INVALID_HANDLE_VALUE
using UniqueKernelHandle = UniqueHandle<HANDLE, detail::CloseFile>;
using UniqueMemoryDc = UniqueHandle<HDC, detail::DeleteMemoryDc>;
using UniqueBitmap = UniqueHandle<HBITMAP, detail::DeleteGdiObject>;
using UniqueFont = UniqueHandle<HFONT, detail::DeleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, detail::DeleteGdiObject>;
using UniquePen = UniqueHandle<HPEN, detail::DeleteGdiObject>;
using UniquePalette = UniqueHandle<HPALETTE, detail::DeleteGdiObject>;
using UniqueRegion = UniqueHandle<HRGN, detail::DeleteGdiObject>;
using UniqueIcon = UniqueHandle<HICON, detail::DestroyIconHandle>;
using UniqueWindow = UniqueHandle<HWND, detail::DestroyWindowHandle>;

// A device context obtained with GetDC or GetWindowDC, released with ReleaseDC.
class WindowDc {
 public:
  WindowDc(HWND window, HDC dc) : window_(window), dc_(dc) {}
  static WindowDc Client(HWND window) { return {window, GetDC(window)}; }
  static WindowDc Whole(HWND window) { return {window, GetWindowDC(window)}; }
  WindowDc(WindowDc&& other) noexcept
      : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
  WindowDc& operator=(WindowDc&&) = delete;
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint/EndPaint as one scope.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  ~PaintDc() { EndPaint(window_, &paint_); }
  HDC get() const { return dc_; }
  const RECT& area() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// Selects an object into a DC for one scope and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace platform
