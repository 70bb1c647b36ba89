#pragma once
// The number of USER objects (windows, menus, cursors and icons) this process
// holds, for leak checks.
#include <windows.h>

#include <cstdint>

namespace test_support {

namespace detail {

inline BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  return TRUE;
}

inline BOOL CALLBACK CountWindowAndChildren(HWND window, LPARAM count) {
  CountWindow(window, count);
  EnumChildWindows(window, CountWindow, count);  // every generation
  return TRUE;
}

inline BOOL CALLBACK CountThreadWindows(HWND window, LPARAM count) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId()) CountWindowAndChildren(window, count);
  return TRUE;
}

}  // namespace detail

// GetGuiResources answers on Windows; Wine leaves it a stub that returns 0.
// There, windows are enumerated (top-level, message-only and their children),
// and menus, cursors and icons are found by trying every USER handle value:
// Wine takes a handle with a zero upper word as any generation of its slot,
// and looks this process's own menus and icons up without the server.
inline long UserObjectCount() {
  DWORD reported = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  if (reported != 0) return static_cast<long>(reported);
  long count = 0;
  EnumWindows(detail::CountThreadWindows, reinterpret_cast<LPARAM>(&count));
  for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
       window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
    detail::CountThreadWindows(window, reinterpret_cast<LPARAM>(&count));
  }
  // One memory DC for the icon test, made and deleted around the scan.
  HDC probe = CreateCompatibleDC(nullptr);
  constexpr std::uintptr_t kFirstHandle = 0x20, kLastHandle = 0xffef;
  for (std::uintptr_t value = kFirstHandle; value <= kLastHandle; value += 2) {
    if (IsMenu(reinterpret_cast<HMENU>(value))) {
      ++count;
    } else if (probe && DrawIconEx(probe, 0, 0, reinterpret_cast<HICON>(value), 1, 1, 0, nullptr,
                                   DI_NORMAL)) {
      ++count;
    }
  }
  if (probe) DeleteDC(probe);
  return count;
}

}  // namespace test_support
