#pragma once
#include <windows.h>

namespace platform {

// A child window's outer rectangle in its parent's client pixels.
inline RECT RectInParent(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace platform
