// Start-up as the program does it: loading the main window runs its creation
// handler, which registers F2 and loads the capture window, whose own creation
// handler waits 20 ms while handling events before it freezes the screen.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/main_window.h"
#include "app/program_variables.h"
#include "capture/capture_window.h"

namespace {

HHOOK g_hook = nullptr;

// Plays a user who presses F2 just as the capture window comes into being:
// after the registration, before the start-up wait.
LRESULT CALLBACK PressF2WhenTheCaptureWindowIsCreated(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    const HWND mainWindow = main_window::Get().NativeHandle(main_window::窗口主界面);
    // The capture window: the program's next top-level window after the main one.
    wchar_t className[64] = {};
    GetClassNameW(reinterpret_cast<HWND>(wParam), className, 64);
    if (mainWindow && create->hwndParent == nullptr && wcscmp(className, L"TessarinWindow") == 0) {
      PostMessageW(mainWindow, WM_HOTKEY,
                   static_cast<WPARAM>(热键标识), MAKELPARAM(0, VK_F2));
      UnhookWindowsHookEx(g_hook);
      g_hook = nullptr;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(StartUp, F2PressedDuringTheStartUpWaitShowsTheCaptureWindowAtOnce) {
  // A registration failure would show its message box and wait for a user.
  ASSERT_TRUE(RegisterHotKey(nullptr, 1, 0, VK_F2)) << "F2 is taken by another program";
  UnregisterHotKey(nullptr, 1);

  g_hook = SetWindowsHookExW(WH_CBT, PressF2WhenTheCaptureWindowIsCreated, nullptr, GetCurrentThreadId());
  ASSERT_NE(g_hook, nullptr);
  ASSERT_TRUE(main_window::Get().Load());
  EXPECT_EQ(g_hook, nullptr) << "the capture window was never created";

  EXPECT_GT(热键标识, 33000);
  // The press was handled inside the wait, before the load returned.
  const HWND capture = capture_window::Get().NativeHandle(capture_window::窗口截图选区);
  ASSERT_NE(capture, nullptr);
  EXPECT_TRUE(IsWindowVisible(capture));
  RECT r;
  GetWindowRect(capture, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_TRUE(IsWindowVisible(main_window::Get().NativeHandle(main_window::窗口主界面)));
  EXPECT_FALSE(capture_window::Get().BackgroundPicture(capture_window::画板截图背景).empty());

  // The built-in icon as the large and the small icon.
  const HWND mainWindow = main_window::Get().NativeHandle(main_window::窗口主界面);
  const auto big = reinterpret_cast<HICON>(SendMessageW(mainWindow, WM_GETICON, ICON_BIG, 0));
  const auto small = reinterpret_cast<HICON>(SendMessageW(mainWindow, WM_GETICON, ICON_SMALL, 0));
  ASSERT_NE(big, nullptr);
  ASSERT_NE(small, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(small, &info));
  BITMAP colour{};
  GetObjectW(info.hbmColor, sizeof(colour), &colour);
  EXPECT_EQ(colour.bmWidth, GetSystemMetrics(SM_CXSMICON));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
}

}  // namespace
