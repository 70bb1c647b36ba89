// The window toolkit with real windows: the loading order, geometry, the
// overlapping order, the canvas's picture and drawing layer, closing, and the
// event paths (mouse, Esc, hotkey, timed wait).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "picture/bmp_layout.h"
#include "platform/global_hotkey.h"
#include "platform/handles.h"
#include "platform/timed_wait.h"
#include "platform/toolkit.h"

namespace {

using platform::UnitDescription;
using platform::UnitKind;
using platform::Window;
using platform::WindowDescription;

// A picture of the given size whose every pixel is one colour.
picture::PictureBytes SolidPicture(int width, int height, COLORREF colour) {
  const auto header = picture::BuildPictureHeader(width, height);
  picture::PictureBytes bytes(header.begin(), header.end());
  const auto rowSize = static_cast<size_t>(picture::RowSize(width));
  bytes.resize(bytes.size() + rowSize * static_cast<size_t>(height), 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = bytes.data() + picture::kPicturePixelsOffset + static_cast<size_t>(y) * rowSize +
                   static_cast<size_t>(x) * 3;
      p[0] = GetBValue(colour);
      p[1] = GetGValue(colour);
      p[2] = GetRValue(colour);
    }
  }
  return bytes;
}

// What a window paints into its client area, read through WM_PRINTCLIENT into
// a 32-bit image: independent of what is on screen.
class ClientPixels {
 public:
  explicit ClientPixels(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    width_ = client.right;
    height_ = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB};
    void* bits = nullptr;
    platform::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    platform::UniqueBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    {
      platform::SelectedObject selected(dc.get(), bitmap.get());
      SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
      GdiFlush();
      const auto* pixels = static_cast<const uint32_t*>(bits);
      pixels_.assign(pixels, pixels + static_cast<size_t>(width_) * static_cast<size_t>(height_));
    }
  }
  COLORREF at(int x, int y) const {
    const uint32_t p = pixels_.at(static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x));
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

 private:
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> pixels_;
};

WindowDescription PlainWindow() {
  WindowDescription d;
  d.title = L"toolkit test";
  d.width = 416;
  d.height = 298;
  d.visible = false;
  return d;
}

// A window with one canvas set up like the capture backdrop: tiled picture,
// off-screen drawing layer, red pen.
WindowDescription BackdropCanvasWindow() {
  WindowDescription d = PlainWindow();
  d.units = {UnitDescription{.kind = UnitKind::Canvas, .left = 0, .top = 0, .width = 64, .height = 48}};
  d.units[0].autoRedraw = true;
  d.units[0].pictureMode = platform::PictureMode::Tiled;
  d.units[0].penColour = RGB(255, 0, 0);
  return d;
}

TEST(ToolkitLoading, CreationHandlerRunsHiddenWithUnitsThenTheWindowShows) {
  WindowDescription d = PlainWindow();
  d.visible = true;
  d.units = {
      UnitDescription{.kind = UnitKind::Button, .left = 14, .top = 8, .width = 80, .height = 32, .text = L"shown"},
      UnitDescription{.kind = UnitKind::Label, .left = 8, .top = 240, .width = 80, .height = 24, .visible = false},
  };
  std::vector<std::string> events;
  Window* self = nullptr;
  d.events.created = [&] {
    events.push_back("created");
    EXPECT_TRUE(self->Exists());
    EXPECT_FALSE(IsWindowVisible(self->NativeHandle(0)));
    EXPECT_NE(self->NativeHandle(1), nullptr);
    EXPECT_TRUE(GetWindowLongW(self->NativeHandle(1), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongW(self->NativeHandle(2), GWL_STYLE) & WS_VISIBLE);
    // A handler that hides its own window does not keep it hidden.
    self->SetVisible(0, false);
  };
  d.events.moved = [&] { events.push_back("moved"); };
  d.events.resized = [&] { events.push_back("resized"); };
  Window window(d);
  self = &window;
  ASSERT_TRUE(window.Load());
  EXPECT_EQ(events, (std::vector<std::string>{"created", "moved", "resized"}));
  EXPECT_TRUE(IsWindowVisible(window.NativeHandle(0)));
}

TEST(ToolkitLoading, AWindowDestroyedByItsCreationHandlerGetsNoFurtherEvents) {
  WindowDescription d = PlainWindow();
  d.visible = true;
  int moved = 0;
  Window* self = nullptr;
  d.events.created = [&] { DestroyWindow(self->NativeHandle(0)); };
  d.events.moved = [&] { ++moved; };
  Window window(d);
  self = &window;
  EXPECT_TRUE(window.Load());
  EXPECT_FALSE(window.Exists());
  EXPECT_EQ(moved, 0);
}

TEST(ToolkitLoading, WindowIsCentredWithHalvesRoundedTowardZero) {
  WindowDescription d = PlainWindow();
  d.width = 417;  // odd sizes leave half a pixel to drop
  d.height = 299;
  Window window(d);
  ASSERT_TRUE(window.Load());
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(window.Left(0), (screenWidth - 417) / 2);
  EXPECT_EQ(window.Top(0), (screenHeight - 299) / 2);
  EXPECT_EQ(window.Width(0), 417);
  EXPECT_EQ(window.Height(0), 299);
}

TEST(ToolkitLoading, LoadingALoadedWindowAgainCreatesNothingNew) {
  int created = 0;
  WindowDescription d = PlainWindow();
  d.events.created = [&] { ++created; };
  Window window(d);
  ASSERT_TRUE(window.Load());
  const HWND first = window.NativeHandle(0);
  ASSERT_TRUE(window.Load());
  EXPECT_EQ(window.NativeHandle(0), first);
  EXPECT_EQ(created, 1);
}

TEST(ToolkitUnits, UnitsOverlapInTheirDescribedOrder) {
  WindowDescription d = PlainWindow();
  d.units = {
      UnitDescription{.kind = UnitKind::TransparentLabel, .left = 296, .top = 0, .width = 112, .height = 24},
      UnitDescription{.kind = UnitKind::Label, .left = 8, .top = 240, .width = 80, .height = 24, .visible = false},
      UnitDescription{.kind = UnitKind::Canvas, .left = 112, .top = 8, .width = 292, .height = 258},
      UnitDescription{.kind = UnitKind::Button, .left = 14, .top = 8, .width = 80, .height = 32},
  };
  Window window(d);
  ASSERT_TRUE(window.Load());
  std::vector<HWND> top_to_bottom;
  for (HWND child = GetWindow(window.NativeHandle(0), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    top_to_bottom.push_back(child);
  EXPECT_EQ(top_to_bottom, (std::vector<HWND>{window.NativeHandle(1), window.NativeHandle(2),
                                               window.NativeHandle(3), window.NativeHandle(4)}));
  EXPECT_EQ(window.Left(3), 112);
  EXPECT_EQ(window.Top(3), 8);
  EXPECT_EQ(window.Width(3), 292);
  EXPECT_EQ(window.Height(3), 258);
}

TEST(ToolkitUnits, GeometryWritesKeepTheOtherValuesAndClamp) {
  WindowDescription d = PlainWindow();
  d.units = {UnitDescription{.kind = UnitKind::Label, .left = 272, .top = 104, .width = 80, .height = 24,
                             .visible = false}};
  Window window(d);
  ASSERT_TRUE(window.Load());
  window.SetLeft(1, 100);
  window.SetTop(1, 50);
  window.SetWidth(1, 200);
  window.SetHeight(1, -5);  // a negative size becomes 0
  EXPECT_EQ(window.Left(1), 100);
  EXPECT_EQ(window.Top(1), 50);
  EXPECT_EQ(window.Width(1), 200);
  EXPECT_EQ(window.Height(1), 0);

  window.SetLeft(0, 0);
  window.SetTop(0, 0);
  window.SetHeight(0, 500);
  window.SetWidth(0, 700);
  RECT r;
  GetWindowRect(window.NativeHandle(0), &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 700);
  EXPECT_EQ(r.bottom, 500);
  window.SetLeft(0, 40000);
  EXPECT_EQ(window.Left(0), 32627);
}

TEST(ToolkitCanvas, PictureReadsBackByteForByteAndDrawingLeavesItAlone) {
  Window window(BackdropCanvasWindow());
  ASSERT_TRUE(window.Load());
  const picture::PictureBytes picture = SolidPicture(5, 3, RGB(10, 20, 30));
  window.SetBackgroundPicture(1, picture);
  window.DrawRectangle(1, 1, 1, 4, 4);
  EXPECT_EQ(window.BackgroundPicture(1), picture);

  window.SetBackgroundPicture(1, {});
  EXPECT_TRUE(window.BackgroundPicture(1).empty());
}

TEST(ToolkitCanvas, UndecodableBytesAreDroppedWhenFirstDecoded) {
  WindowDescription d = PlainWindow();
  d.units = {UnitDescription{.kind = UnitKind::Canvas, .left = 0, .top = 0, .width = 64, .height = 48}};
  Window window(d);
  ASSERT_TRUE(window.Load());
  const picture::PictureBytes junk = {'B', 'M', 1, 2, 3};
  window.SetBackgroundPicture(1, junk);
  EXPECT_EQ(window.BackgroundPicture(1), junk);  // not decoded yet
  ClientPixels painted(window.NativeHandle(1));  // painting decodes
  EXPECT_TRUE(window.BackgroundPicture(1).empty());
}

TEST(ToolkitCanvas, TiledBackdropAndOutlineWithRightAndBottomEdgesExcluded) {
  Window window(BackdropCanvasWindow());
  ASSERT_TRUE(window.Load());
  const COLORREF backdrop = RGB(10, 20, 30);
  window.SetBackgroundPicture(1, SolidPicture(10, 10, backdrop));  // tiles over 64 x 48
  // Drawn from the lower right to the upper left: the same outline.
  window.DrawRectangle(1, 30, 20, 10, 5);
  const COLORREF red = RGB(255, 0, 0);
  struct Case {
    int x, y;
    COLORREF colour;
  } cases[] = {
      {10, 5, red},   {29, 5, red},   {10, 19, red},  {29, 19, red},  // corners
      {20, 5, red},   {10, 12, red},  {29, 12, red},  {20, 19, red},  // edges
      {30, 5, backdrop}, {10, 20, backdrop},  // right and bottom edges excluded
      {20, 12, backdrop},                      // inside untouched
      {9, 5, backdrop},  {60, 45, backdrop},  // outside, on a later tile
  };
  ClientPixels pixels(window.NativeHandle(1));
  for (const Case& c : cases) EXPECT_EQ(pixels.at(c.x, c.y), c.colour) << c.x << "," << c.y;

  // One pixel right of and below the start: that one pixel is the outline.
  // A press and release at one point: no outline at all.
  window.DrawRectangle(1, 40, 30, 41, 31);
  window.DrawRectangle(1, 50, 30, 50, 30);
  ClientPixels small(window.NativeHandle(1));
  EXPECT_EQ(small.at(40, 30), red);
  EXPECT_EQ(small.at(41, 30), backdrop);
  EXPECT_EQ(small.at(40, 31), backdrop);
  EXPECT_EQ(small.at(50, 30), backdrop);

  // The drawing layer survives hiding and showing, and a resize keeps it at
  // the top-left.
  ShowWindow(window.NativeHandle(0), SW_SHOWNA);
  ShowWindow(window.NativeHandle(0), SW_HIDE);
  window.SetWidth(1, 100);
  ClientPixels resized(window.NativeHandle(1));
  EXPECT_EQ(resized.at(10, 5), red);
  EXPECT_EQ(resized.at(20, 12), backdrop);
  EXPECT_EQ(resized.at(80, 10), GetSysColor(COLOR_BTNFACE));  // new area: background colour
}

TEST(ToolkitCanvas, PressReleaseAndDoubleClickReachHandlersUnsigned) {
  WindowDescription d = PlainWindow();
  d.units = {UnitDescription{.kind = UnitKind::Canvas, .left = 0, .top = 0, .width = 64, .height = 48}};
  std::vector<std::string> events;
  auto record = [&](const char* name) {
    return [&events, name](int x, int y, int keys) {
      events.push_back(std::string(name) + " " + std::to_string(x) + "," + std::to_string(y) + " " +
                       std::to_string(keys));
    };
  };
  d.units[0].events.leftPressed = record("pressed");
  d.units[0].events.leftReleased = record("released");
  d.units[0].events.doubleClicked = record("double");
  Window window(d);
  ASSERT_TRUE(window.Load());
  const HWND canvas = window.NativeHandle(1);
  PostMessageW(canvas, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 34));
  PostMessageW(canvas, WM_LBUTTONUP, 0, MAKELPARAM(0xFFFF, 5));  // -1 arrives as 65535
  PostMessageW(canvas, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(7, 8));
  platform::ProcessPendingEvents();
  EXPECT_EQ(events, (std::vector<std::string>{"pressed 12,34 0", "released 65535,5 0", "double 7,8 0"}));
}

TEST(ToolkitClosing, EscClosesAWindowThatAsksForItAndWritesAreThenOnlyRecorded) {
  WindowDescription d = PlainWindow();
  d.escCloses = true;
  d.units = {UnitDescription{.kind = UnitKind::Label, .left = 272, .top = 104, .width = 80, .height = 24},
             UnitDescription{.kind = UnitKind::Canvas, .left = 0, .top = 0, .width = 64, .height = 48}};
  Window window(d);
  ASSERT_TRUE(window.Load());
  window.SetLeft(1, 5);
  PostMessageW(window.NativeHandle(2), WM_KEYDOWN, VK_ESCAPE, 0);
  platform::ProcessPendingEvents();
  platform::ProcessPendingEvents();
  EXPECT_FALSE(window.Exists());
  EXPECT_EQ(window.Left(1), 272);  // units return to their described state
  window.SetVisible(0, true);
  EXPECT_FALSE(window.Exists());
  EXPECT_EQ(window.NativeHandle(0), nullptr);
}

TEST(ToolkitClosing, EscIsIgnoredWhereTheWindowDoesNotAskForIt) {
  Window window(PlainWindow());
  ASSERT_TRUE(window.Load());
  PostMessageW(window.NativeHandle(0), WM_KEYDOWN, VK_ESCAPE, 0);
  platform::ProcessPendingEvents();
  EXPECT_TRUE(window.Exists());
}

TEST(ToolkitEvents, ModalLoopsStillDeliverMouseEventsAndEsc) {
  WindowDescription d = PlainWindow();
  d.escCloses = true;
  d.units = {UnitDescription{.kind = UnitKind::Canvas, .left = 0, .top = 0, .width = 64, .height = 48}};
  int doubleClicks = 0;
  d.units[0].events.doubleClicked = [&](int, int, int) { ++doubleClicks; };
  Window window(d);
  ASSERT_TRUE(window.Load());
  const HWND canvas = window.NativeHandle(1);
  // What a dialog's or a message box's own loop does with each message.
  MSG click{canvas, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 4)};
  EXPECT_FALSE(CallMsgFilterW(&click, MSGF_DIALOGBOX));  // raised, then dispatched as usual
  EXPECT_EQ(doubleClicks, 1);
  MSG escape{canvas, WM_KEYDOWN, VK_ESCAPE, 0};
  EXPECT_TRUE(CallMsgFilterW(&escape, MSGF_MESSAGEBOX));  // consumed: the window closes
  platform::ProcessPendingEvents();
  EXPECT_FALSE(window.Exists());
}

TEST(ToolkitEvents, TimedWaitHandlesEventsAndLeavesAQuitRequestQueued) {
  WindowDescription d = PlainWindow();
  d.units = {UnitDescription{.kind = UnitKind::Canvas, .left = 0, .top = 0, .width = 64, .height = 48}};
  int presses = 0;
  d.units[0].events.leftPressed = [&](int, int, int) { ++presses; };
  Window window(d);
  ASSERT_TRUE(window.Load());
  PostMessageW(window.NativeHandle(1), WM_LBUTTONDOWN, MK_LBUTTON, 0);
  PostQuitMessage(3);
  const DWORD start = GetTickCount();
  platform::WaitProcessingEvents(20);
  EXPECT_GE(GetTickCount() - start, 20u);
  // The quit request is next, so the press behind it waits too.
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
  platform::WaitProcessingEvents(20);
  EXPECT_EQ(presses, 1);
  platform::WaitProcessingEvents(0);  // returns at once
}

TEST(ToolkitEvents, HotkeyIdentifiersAdvanceOnEveryAttemptAndPressesReachTheTarget) {
  WindowDescription d = PlainWindow();
  d.units = {UnitDescription{.kind = UnitKind::Label, .left = 8, .top = 240, .width = 80, .height = 24,
                             .visible = false}};
  std::vector<std::pair<int, int>> feedback;
  d.units[0].events.feedback = [&](int a, int b) { feedback.emplace_back(a, b); };
  Window window(d);
  ASSERT_TRUE(window.Load());
  const HWND owner = window.NativeHandle(0);
  // Ctrl+Shift+Alt+F11: a combination nothing else here registers.
  const int first = platform::RegisterGlobalHotkey(owner, window.NativeHandle(1), 7, VK_F11);
  ASSERT_GT(first, 33000);
  const int second = platform::RegisterGlobalHotkey(owner, window.NativeHandle(1), 7, VK_F11);
  EXPECT_EQ(second, 0);  // already registered
  const int third = platform::RegisterGlobalHotkey(owner, window.NativeHandle(1), 7, VK_F12);
  EXPECT_EQ(third, first + 2);  // the failed attempt used a number too
  PostMessageW(owner, WM_HOTKEY, static_cast<WPARAM>(third), 0);
  PostMessageW(owner, WM_HOTKEY, 12345, 0);  // not ours: no event
  platform::ProcessPendingEvents();
  EXPECT_EQ(feedback, (std::vector<std::pair<int, int>>{{third, 0}}));
  UnregisterHotKey(owner, first);
  UnregisterHotKey(owner, third);
}

}  // namespace
