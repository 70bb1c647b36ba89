// The day of a user who captures and saves over and over: the real main and
// capture windows, their handlers and the real save dialog, driven round after
// round inside this process, while the GDI and USER objects, the kernel
// handles and the private memory must stay flat.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "capture/capture_window.h"
#include "dialog_driver.h"
#include "picture/save_capture.h"
#include "platform/file_dialog.h"
#include "gdi_object_count.h"
#include "platform/handles.h"
#include "platform/toolkit.h"
#include "user_object_count.h"

namespace {

using test_support::DialogDriver;

// Committed private memory, as Windows counts "private bytes".
long long PrivateBytes() {
  long long total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
      total += static_cast<long long>(region.RegionSize);
  }
  return total;
}

// GetProcessHandleCount reports 0 under Wine; there every handle value (a
// multiple of 4) is asked for its flags instead.
long KernelHandles() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return static_cast<long>(count);
  long found = 0;
  for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++found;
  }
  return found;
}

struct Sample {
  int round;
  long gdi, user, kernel;
  long long privateBytes;
};

Sample Take(int round) {
  return {round, test_support::GdiObjectCount(), test_support::UserObjectCount(), KernelHandles(),
          PrivateBytes()};
}

// Handles the thread's events until `done` holds, or gives up after a generous deadline.
template <typename Condition>
bool PumpUntil(Condition done, std::chrono::seconds deadline = std::chrono::seconds(60)) {
  const auto giveUp = std::chrono::steady_clock::now() + deadline;
  while (!done()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    platform::ProcessPendingEvents();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  platform::ProcessPendingEvents();
  return true;
}

LPARAM Point(int x, int y) { return MAKELPARAM(x, y); }

long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::wstring TempFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"tessarin-soak-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

int RoundsWanted() {
  wchar_t text[16] = {};
  if (!GetEnvironmentVariableW(L"TESSARIN_SOAK_ROUNDS", text, 16)) return 200;
  return std::max(30, _wtoi(text));
}

// One object of a kind made and released again, and the counter that must see it.
struct CountedObject {
  const char* what;
  std::function<long long()> count;
  long long delta;  // how much one object adds
  std::function<std::function<void()>()> make;  // returns its release
};

std::vector<CountedObject> CountedObjects() {
  const auto gdi = [] { return static_cast<long long>(test_support::GdiObjectCount()); };
  const auto user = [] { return static_cast<long long>(test_support::UserObjectCount()); };
  const auto kernel = [] { return static_cast<long long>(KernelHandles()); };
  return {
      {"a brush (GDI)", gdi, 1,
       [] {
         HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
         return std::function<void()>([brush] { DeleteObject(brush); });
       }},
      {"a 1x1 bitmap (GDI)", gdi, 1,
       [] {
         HBITMAP bitmap = CreateBitmap(1, 1, 1, 1, nullptr);
         return std::function<void()>([bitmap] { DeleteObject(bitmap); });
       }},
      {"a menu (USER)", user, 1,
       [] {
         HMENU menu = CreateMenu();
         return std::function<void()>([menu] { DestroyMenu(menu); });
       }},
      {"a copied icon (USER)", user, 1,
       [] {
         HICON icon = CopyIcon(LoadIconW(nullptr, IDI_APPLICATION));
         return std::function<void()>([icon] { DestroyIcon(icon); });
       }},
      {"a window with a child (USER)", user, 2,
       [] {
         HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                       nullptr, nullptr);
         CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, window, nullptr, nullptr, nullptr);
         return std::function<void()>([window] { DestroyWindow(window); });
       }},
      {"an event (kernel handle)", kernel, 1,
       [] {
         HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
         return std::function<void()>([event] { CloseHandle(event); });
       }},
      {"8 MiB committed (private bytes)", PrivateBytes, 8 << 20,
       [] {
         void* block = VirtualAlloc(nullptr, 8 << 20, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
         return std::function<void()>([block] { VirtualFree(block, 0, MEM_RELEASE); });
       }},
  };
}

// The counters must see what they are meant to count, or a flat line proves nothing.
TEST(LeakCounters, SeeExactlyTheObjectsMadeAndReleased) {
  ASSERT_GE(test_support::GdiObjectCount(), 0) << "no GDI handle table";
  // Wine gives a thread that has top-level windows one hidden IME window and
  // takes it away with the last of them; this one keeps it in place, as the
  // program's main window does.
  platform::UniqueWindow holder(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                                nullptr, nullptr, nullptr));
  ASSERT_TRUE(holder);
  for (const CountedObject& object : CountedObjects()) {
    object.make()();  // the first of a kind may bring caches that stay
    const long long before = object.count();
    const std::function<void()> release = object.make();
    const long long with = object.count();
    release();
    EXPECT_EQ(with - before, object.delta) << object.what;
    EXPECT_EQ(object.count(), before) << object.what << ", released";
  }
}

// Wine's own save dialog keeps one kernel handle (the chosen folder, opened and
// never closed) per confirmed dialog. This measures that, with the program's
// flags and folder, so the soak can tell Wine's leak from the program's.
long long WineHandlesPerConfirmedDialog(const std::wstring& folder) {
  constexpr int kDialogs = 5;
  auto confirm = [&](int i) {
    wchar_t name[MAX_PATH] = {};
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.lpstrFile = name;
    request.nMaxFile = MAX_PATH;
    request.Flags = platform::DialogFlags(picture::CaptureDialogSettings());
    DialogDriver user(
        {test_support::TypeNameAndConfirm(folder + L"\\calibration" + std::to_wstring(i))});
    GetSaveFileNameW(&request);
    user.Finish();
  };
  confirm(0);  // the first dialog of a process opens more that it keeps
  const long before = KernelHandles();
  for (int i = 1; i <= kDialogs; ++i) confirm(i);
  const long long perDialog = (KernelHandles() - before + kDialogs / 2) / kDialogs;
  std::printf("Wine's save dialog keeps %lld kernel handle(s) per confirmed dialog\n", perDialog);
  return perDialog;
}

// Start capture, double-click, save through the dialog: 200 times. The first
// round also drags out the selection; every round must save the same 24-bit
// bitmap. After a warm-up, no count may grow by as much as one per round.
TEST(Soak, CaptureAndSaveRoundsKeepResourcesFlat) {
  // TESSARIN_SOAK_ROUNDS shortens or lengthens the day (at least 30 rounds).
  const int kRounds = RoundsWanted();
  constexpr int kWarmUp = 20;
  constexpr int kEvery = 10;
  constexpr int kLeft = 100, kTop = 80, kRight = 1100, kBottom = 680;  // 1000 x 600
  const std::wstring folder = TempFolder();
  const long long expectedSize = 54 + ((kRight - kLeft) * 3 + 3) / 4 * 4 * (kBottom - kTop);

  const long long wineHandlesPerSave = WineHandlesPerConfirmedDialog(folder);

  platform::Window& mainWindow = main_window::Get();
  platform::Window& captureWindow = capture_window::Get();
  ASSERT_TRUE(mainWindow.Load());
  ASSERT_TRUE(captureWindow.Exists());
  const HWND backdrop = captureWindow.NativeHandle(capture_window::画板截图背景);
  const HWND saveButton = mainWindow.NativeHandle(main_window::按钮保存);
  ASSERT_TRUE(backdrop && saveButton);
  auto captureVisible = [&] { return captureWindow.Visible(capture_window::窗口截图选区); };

  std::vector<Sample> samples;
  for (int round = 1; round <= kRounds; ++round) {
    capture_window::StartCapture();
    ASSERT_TRUE(PumpUntil(captureVisible)) << "round " << round << ": the capture window";
    if (round == 1) {
      PostMessageW(backdrop, WM_LBUTTONDOWN, MK_LBUTTON, Point(kLeft, kTop));
      PostMessageW(backdrop, WM_LBUTTONUP, 0, Point(kRight, kBottom));
    }
    PostMessageW(backdrop, WM_LBUTTONDOWN, MK_LBUTTON, Point(500, 400));
    PostMessageW(backdrop, WM_LBUTTONUP, 0, Point(500, 400));
    PostMessageW(backdrop, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(500, 400));
    PostMessageW(backdrop, WM_LBUTTONUP, 0, Point(500, 400));
    ASSERT_TRUE(PumpUntil([&] { return !captureVisible(); }))
        << "round " << round << ": the capture window stays after the double-click";

    const std::wstring path = folder + L"\\round" + std::to_wstring(round) + L".bmp";
    DialogDriver user({test_support::TypeNameAndConfirm(path)});
    SendMessageW(saveButton, BM_CLICK, 0, 0);  // returns when the save handler has
    user.Finish();
    ASSERT_EQ(user.Problems(), std::vector<std::string>{}) << "round " << round;
    ASSERT_EQ(FileSize(path), expectedSize) << "round " << round;
    DeleteFileW(path.c_str());

    if (round == kWarmUp || (round > kWarmUp && round % kEvery == 0)) samples.push_back(Take(round));
  }
  RemoveDirectoryW(folder.c_str());

  for (const Sample& s : samples) {
    std::printf("round %3d: gdi %ld  user %ld  kernel handles %ld  private bytes %lld\n", s.round,
                s.gdi, s.user, s.kernel, s.privateBytes);
  }
  const Sample& first = samples.front();
  const Sample& last = samples.back();
  const int rounds = last.round - first.round;
  // One leaked object per round would add `rounds`; a few come and go with
  // Wine's own caches.
  EXPECT_LT(last.gdi - first.gdi, rounds / 10) << "GDI objects grew";
  EXPECT_LT(last.user - first.user, rounds / 10) << "USER objects grew";
  EXPECT_LT(last.kernel - first.kernel - rounds * wineHandlesPerSave, rounds / 10)
      << "kernel handles grew beyond Wine's " << wineHandlesPerSave << " per save";
  // One leaked picture per round would add 1.8 MB a round.
  EXPECT_LT(last.privateBytes - first.privateBytes, 16ll << 20) << "private bytes grew";
}

}  // namespace
