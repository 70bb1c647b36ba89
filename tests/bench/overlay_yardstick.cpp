// overlay_yardstick: the barest full-screen overlay this Wine and X can show,
// the yardstick of scripts/bench. At start it copies the screen into a ready
// bitmap and shows a small window (Wine sees a hotkey only while one of its
// windows has the keyboard); F2, a global hotkey, then shows a hidden,
// screen-sized, topmost popup that paints that bitmap with one BitBlt.
// Closing the small window ends the program.
#include <windows.h>

namespace {

HDC g_picture = nullptr;
int g_width = 0, g_height = 0;
HWND g_overlay = nullptr;

LRESULT CALLBACK SmallProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_HOTKEY:
      ShowWindow(g_overlay, SW_SHOW);
      SetForegroundWindow(g_overlay);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      BitBlt(dc, 0, 0, g_width, g_height, g_picture, 0, 0, SRCCOPY);
      EndPaint(window, &paint);
      return 0;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  g_width = GetSystemMetrics(SM_CXSCREEN);
  g_height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  g_picture = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, g_width, g_height);
  HGDIOBJ previous = SelectObject(g_picture, bitmap);
  BitBlt(g_picture, 0, 0, g_width, g_height, screen, 0, 0, SRCCOPY);
  ReleaseDC(nullptr, screen);

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = L"OverlayYardstick";
  RegisterClassW(&windowClass);
  g_overlay = CreateWindowExW(WS_EX_TOPMOST, L"OverlayYardstick", L"overlay yardstick popup",
                              WS_POPUP, 0, 0, g_width, g_height, nullptr, nullptr, instance, nullptr);
  windowClass.lpfnWndProc = SmallProcedure;
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = L"OverlayYardstickSmall";
  RegisterClassW(&windowClass);
  const int width = 416, height = 298;
  HWND small = CreateWindowExW(0, L"OverlayYardstickSmall", L"overlay yardstick",
                               WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                               (g_width - width) / 2, (g_height - height) / 2, width, height,
                               nullptr, nullptr, instance, nullptr);
  if (!g_overlay || !small || !RegisterHotKey(small, 1, 0, VK_F2)) return 1;
  ShowWindow(small, SW_SHOW);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  SelectObject(g_picture, previous);
  DeleteObject(bitmap);
  DeleteDC(g_picture);
  return 0;
}
