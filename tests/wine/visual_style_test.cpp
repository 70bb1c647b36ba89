#include "platform/visual_style.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <commdlg.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "tests/wine/gdi_object_count.h"

namespace {

constexpr COLORREF kPushButtonFrame = RGB(55, 98, 6);
constexpr COLORREF kFieldFrame = RGB(164, 185, 127);
constexpr COLORREF kCheckBoxFrame = RGB(24, 81, 132);
// What the test window paints beneath its group box, so a box that covers its
// inside shows.
constexpr COLORREF kUnderGroupBox = RGB(255, 0, 255);
constexpr COLORREF kOwnerDrawnFace = RGB(10, 200, 10);
constexpr int kBoxSize = 13;

COLORREF DisabledFrame() {
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  auto darker = [](int channel) { return channel < 32 ? 0 : channel - 32; };
  return RGB(darker(GetRValue(face)), darker(GetGValue(face)), darker(GetBValue(face)));
}

// ASCII texts (class names, what a dialog holds) for failure messages.
std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow += c < 128 ? static_cast<char>(c) : '?';
  return narrow;
}

std::string Describe(COLORREF c) {
  std::ostringstream text;
  text << "RGB(" << int{GetRValue(c)} << ',' << int{GetGValue(c)} << ',' << int{GetBValue(c)} << ')';
  return text.str();
}

// Pixels of a screen rectangle, read back from the display.
struct Capture {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool operator==(const Capture&) const = default;
};

Capture CaptureScreen(const RECT& area) {
  Capture capture;
  capture.width = area.right - area.left;
  capture.height = area.bottom - area.top;
  platform::WindowDc screen = platform::WindowDc::Client(nullptr);
  platform::UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  platform::UniqueBitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return capture;
  {
    platform::SelectedObject selected(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, capture.width, capture.height, screen.get(), area.left, area.top, SRCCOPY);
  }
  GdiFlush();
  const auto* bgra = static_cast<const std::uint32_t*>(bits);
  capture.pixels.reserve(static_cast<size_t>(capture.width) * capture.height);
  for (int i = 0; i < capture.width * capture.height; ++i) {
    std::uint32_t p = bgra[i];
    capture.pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  }
  return capture;
}

// The whole window, non-client border included, as the screen shows it.
Capture CaptureWindow(HWND window) {
  RECT area;
  GetWindowRect(window, &area);
  return CaptureScreen(area);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Keeps handling messages until the condition holds or the deadline passes.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 30000) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    PumpMessages();
    if (condition()) return true;
    if (GetTickCount64() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

// Waits until the window shows the same pixels twice in a row, a little apart:
// the display has caught up with its painting.
Capture SettledCapture(HWND window) {
  Capture last = CaptureWindow(window);
  Capture settled;
  WaitFor([&] {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 150, QS_ALLINPUT);
    PumpMessages();
    Capture next = CaptureWindow(window);
    bool same = next == last;
    last = std::move(next);
    if (same) settled = last;
    return same;
  });
  return settled;
}

bool WindowShows(HWND window, int x, int y, COLORREF expected) {
  Capture capture = CaptureWindow(window);
  return !capture.pixels.empty() && capture.At(x, y) == expected;
}

bool WindowCaptureIs(HWND window, const Capture& expected) {
  return CaptureWindow(window) == expected;
}

// The top-left corner of a check box's box: on the left, centred vertically.
POINT BoxCorner(HWND checkBox) {
  RECT client;
  GetClientRect(checkBox, &client);
  return {0, (client.bottom - kBoxSize) / 2};
}

void LoadCommonControls() {
  static bool loaded = [] {
    HMODULE library = LoadLibraryW(L"comctl32.dll");
    using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto init = library ? reinterpret_cast<Init>(
                              reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")))
                        : nullptr;
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    return init && init(&classes);
  }();
  ASSERT_TRUE(loaded);
}

LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      platform::PaintDc dc(window);
      RECT client;
      GetClientRect(window, &client);
      FillRect(dc.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
      platform::UniqueBrush under(CreateSolidBrush(kUnderGroupBox));
      RECT inside{160, 40, 290, 110};  // within the group box at (150, 10, 300, 120)
      FillRect(dc.get(), &inside, under.get());
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      platform::UniqueBrush face(CreateSolidBrush(kOwnerDrawnFace));
      FillRect(item->hDC, &item->rcItem, face.get());
      return TRUE;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

const wchar_t* HostClass() {
  static const wchar_t* name = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = HostProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"VisualStyleTestHost";
    RegisterClassW(&windowClass);
    return windowClass.lpszClassName;
  }();
  return name;
}

// A visible window with one control of each kind the style paints, and some it
// must leave alone.
class VisualStyleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadCommonControls();
    // Keep the pointer away, so no control is drawn hot.
    SetCursorPos(1900, 1060);
    host_.reset(CreateWindowExW(0, HostClass(), L"visual style test", WS_POPUP | WS_CLIPSIBLINGS, 40, 40,
                                480, 330, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(host_);
    push_ = Child(L"Button", L"Push", BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 100, 30);
    checked_ = Child(L"Button", L"Checked", BS_AUTOCHECKBOX | WS_TABSTOP, 10, 50, 120, 24);
    unchecked_ = Child(L"Button", L"Unchecked", BS_AUTOCHECKBOX | WS_TABSTOP, 10, 80, 120, 24);
    radio_ = Child(L"Button", L"Radio", BS_AUTORADIOBUTTON, 10, 110, 120, 24);
    group_ = Child(L"Button", L"Group", BS_GROUPBOX, 150, 10, 150, 110);
    edit_ = Child(L"Edit", L"text", ES_AUTOHSCROLL | WS_TABSTOP, 10, 150, 120, 24, WS_EX_CLIENTEDGE);
    combo_ = Child(L"ComboBox", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 150, 150, 120, 200);
    upDown_ = Child(UPDOWN_CLASSW, L"", 0, 290, 150, 20, 40);
    disabled_ = Child(L"Button", L"Off", BS_PUSHBUTTON | WS_DISABLED, 10, 190, 100, 30);
    label_ = Child(L"Static", L"Label", SS_LEFT, 320, 10, 100, 24);
    ownerDrawn_ = Child(L"Button", L"", BS_OWNERDRAW, 320, 50, 100, 30);
    simpleCombo_ = Child(L"ComboBox", L"", CBS_SIMPLE, 320, 100, 120, 90);
    for (const wchar_t* item : {L"first", L"second"}) {
      SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
      SendMessageW(simpleCombo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    }
    SendMessageW(combo_, CB_SETCURSEL, 0, 0);
    SendMessageW(checked_, BM_SETCHECK, BST_CHECKED, 0);
    ShowWindow(host_.get(), SW_SHOWNA);
    UpdateWindow(host_.get());
  }

  void TearDown() override {
    platform::ApplyVisualStyle(0);
    host_.reset();
    PumpMessages();
  }

  HWND Child(const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y, int width,
             int height, DWORD exStyle = 0) {
    HWND child = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                                 height, host_.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(child, nullptr) << "cannot create a control of class " << Narrow(windowClass);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
  }

  // Applies style 2 and waits until the push button shows it.
  void ApplyStyleTwo() {
    ASSERT_NE(platform::ApplyVisualStyle(2), 0);
    ASSERT_TRUE(WaitFor([&] { return WindowShows(push_, 50, 0, kPushButtonFrame); }))
        << "the push button's frame never turned " << Describe(kPushButtonFrame);
  }

  platform::UniqueWindow host_;
  HWND push_{}, checked_{}, unchecked_{}, radio_{}, group_{}, edit_{}, combo_{}, upDown_{}, disabled_{};
  HWND label_{}, ownerDrawn_{}, simpleCombo_{};
};

TEST_F(VisualStyleTest, FramesTakeTheColoursOfStyleTwo) {
  ApplyStyleTwo();
  ASSERT_TRUE(WaitFor([&] { return WindowShows(disabled_, 50, 0, DisabledFrame()); }));

  POINT box = BoxCorner(checked_);
  struct Case {
    const char* what;
    HWND control;
    int x, y;  // in the control's window rectangle
    COLORREF expected;
  } cases[] = {
      {"push button, top edge", push_, 50, 0, kPushButtonFrame},
      {"push button, left edge", push_, 0, 15, kPushButtonFrame},
      {"push button, bottom edge", push_, 50, 29, kPushButtonFrame},
      {"push button, right edge", push_, 99, 15, kPushButtonFrame},
      {"disabled button, top edge", disabled_, 50, 0, DisabledFrame()},
      {"disabled button, left edge", disabled_, 0, 15, DisabledFrame()},
      {"edit, top edge", edit_, 60, 0, kFieldFrame},
      {"edit, left edge", edit_, 0, 12, kFieldFrame},
      {"edit, bottom edge", edit_, 60, 23, kFieldFrame},
      {"combo, top edge", combo_, 40, 0, kFieldFrame},
      {"combo, left edge", combo_, 0, 8, kFieldFrame},
      {"up-down, top edge", upDown_, 10, 0, kFieldFrame},
      {"up-down, left edge", upDown_, 0, 10, kFieldFrame},
      {"up-down, bottom edge", upDown_, 10, 39, kFieldFrame},
      {"check box, box top", checked_, box.x + 6, box.y, kCheckBoxFrame},
      {"check box, box left", checked_, box.x, box.y + 6, kCheckBoxFrame},
      {"check box, box right", checked_, box.x + kBoxSize - 1, box.y + 6, kCheckBoxFrame},
      {"check box, box bottom", checked_, box.x + 6, box.y + kBoxSize - 1, kCheckBoxFrame},
      {"unchecked box, box top", unchecked_, box.x + 6, box.y, kCheckBoxFrame},
      {"unchecked box, box bottom", unchecked_, box.x + 6, box.y + kBoxSize - 1, kCheckBoxFrame},
  };
  for (const Case& c : cases) {
    Capture capture = CaptureWindow(c.control);
    ASSERT_FALSE(capture.pixels.empty()) << c.what;
    EXPECT_EQ(Describe(capture.At(c.x, c.y)), Describe(c.expected)) << c.what;
  }

  // The box is 13 pixels square: its frame stops there, and its inside is not frame.
  for (HWND checkBox : {checked_, unchecked_}) {
    Capture capture = CaptureWindow(checkBox);
    EXPECT_NE(capture.At(box.x + kBoxSize, box.y + 6), kCheckBoxFrame) << "right of the box";
    EXPECT_NE(capture.At(box.x + 6, box.y - 1), kCheckBoxFrame) << "above the box";
    EXPECT_NE(capture.At(box.x + 6, box.y + kBoxSize), kCheckBoxFrame) << "below the box";
    EXPECT_NE(capture.At(box.x + 1, box.y + 1), kCheckBoxFrame) << "inside the box";
  }
}

TEST_F(VisualStyleTest, CheckedAndUncheckedBoxesDiffer) {
  ApplyStyleTwo();
  POINT box = BoxCorner(checked_);
  auto inside = [&](HWND checkBox) {
    Capture capture = CaptureWindow(checkBox);
    std::vector<COLORREF> pixels;
    for (int y = box.y + 1; y < box.y + kBoxSize - 1; ++y) {
      for (int x = box.x + 1; x < box.x + kBoxSize - 1; ++x) pixels.push_back(capture.At(x, y));
    }
    return pixels;
  };
  ASSERT_TRUE(WaitFor([&] { return WindowShows(unchecked_, box.x + 6, box.y, kCheckBoxFrame); }));
  EXPECT_NE(inside(checked_), inside(unchecked_));

  // Checking the second box by message draws it like the first.
  SendMessageW(unchecked_, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_TRUE(WaitFor([&] { return inside(checked_) == inside(unchecked_); }));
}

TEST_F(VisualStyleTest, PressedAndFocusedButtonsLookDifferent) {
  ApplyStyleTwo();
  Capture atRest = SettledCapture(push_);
  ASSERT_EQ(atRest.At(50, 0), kPushButtonFrame);

  SendMessageW(push_, BM_SETSTATE, TRUE, 0);
  EXPECT_TRUE(WaitFor([&] { return !WindowCaptureIs(push_, atRest); })) << "pressed looks like at rest";
  EXPECT_TRUE(WindowShows(push_, 50, 0, kPushButtonFrame)) << "a pressed button keeps its frame";
  SendMessageW(push_, BM_SETSTATE, FALSE, 0);
  EXPECT_TRUE(WaitFor([&] { return WindowCaptureIs(push_, atRest); })) << "released does not look at rest";

  SetFocus(push_);
  ASSERT_EQ(GetFocus(), push_);
  EXPECT_TRUE(WaitFor([&] { return !WindowCaptureIs(push_, atRest); })) << "focused looks like at rest";
  EXPECT_TRUE(WindowShows(push_, 50, 0, kPushButtonFrame)) << "a focused button keeps its frame";
  SetFocus(host_.get());
  EXPECT_TRUE(WaitFor([&] { return WindowCaptureIs(push_, atRest); })) << "unfocused does not look at rest";
}

TEST_F(VisualStyleTest, MouseOverMakesAButtonHot) {
  ApplyStyleTwo();
  Capture atRest = SettledCapture(push_);
  RECT button;
  GetWindowRect(push_, &button);
  SetCursorPos(button.left + 50, button.top + 15);
  EXPECT_TRUE(WaitFor([&] { return !WindowCaptureIs(push_, atRest); })) << "no hot look under the mouse";
  SetCursorPos(1900, 1060);
  EXPECT_TRUE(WaitFor([&] { return WindowCaptureIs(push_, atRest); })) << "still hot after the mouse left";
}

TEST_F(VisualStyleTest, ControlsCreatedLaterAreRestyled) {
  ApplyStyleTwo();
  HWND laterButton = Child(L"Button", L"Later", BS_PUSHBUTTON, 10, 240, 100, 30);
  HWND laterEdit = Child(L"Edit", L"", 0, 150, 240, 100, 24, WS_EX_CLIENTEDGE);
  HWND laterCombo = Child(L"ComboBox", L"", CBS_DROPDOWN, 270, 240, 100, 120);
  UpdateWindow(host_.get());
  EXPECT_TRUE(WaitFor([&] { return WindowShows(laterButton, 50, 0, kPushButtonFrame); }));
  EXPECT_TRUE(WaitFor([&] { return WindowShows(laterEdit, 50, 0, kFieldFrame); }));
  EXPECT_TRUE(WaitFor([&] { return WindowShows(laterCombo, 50, 0, kFieldFrame); }));
}

TEST_F(VisualStyleTest, DropDownListIsFramedLikeItsCombo) {
  ApplyStyleTwo();
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetComboBoxInfo(combo_, &info));
  SendMessageW(combo_, CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(info.hwndList) != FALSE; }));
  EXPECT_TRUE(WaitFor([&] { return WindowShows(info.hwndList, 20, 0, kFieldFrame); }))
      << "the open list is not framed in " << Describe(kFieldFrame);
  SendMessageW(combo_, CB_SHOWDROPDOWN, FALSE, 0);
}

TEST_F(VisualStyleTest, GroupBoxLeavesItsInsideAlone) {
  ApplyStyleTwo();
  Capture before = SettledCapture(group_);
  EXPECT_EQ(Describe(before.At(60, 60)), Describe(kUnderGroupBox));
  // A repaint of the box alone, with the window beneath it already painted.
  RedrawWindow(group_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  Capture after = SettledCapture(group_);
  EXPECT_EQ(Describe(after.At(60, 60)), Describe(kUnderGroupBox));
  EXPECT_EQ(Describe(after.At(130, 95)), Describe(kUnderGroupBox));
}

TEST_F(VisualStyleTest, OtherKindsAreLeftToTheSystem) {
  struct Case {
    const char* what;
    HWND control;
  } cases[] = {{"static label", label_}, {"owner-drawn button", ownerDrawn_}, {"simple combo", simpleCombo_}};
  std::vector<Capture> before;
  for (const Case& c : cases) before.push_back(SettledCapture(c.control));
  EXPECT_EQ(before[1].At(50, 15), kOwnerDrawnFace);

  ApplyStyleTwo();
  for (size_t i = 0; i < std::size(cases); ++i) {
    RedrawWindow(cases[i].control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    EXPECT_EQ(SettledCapture(cases[i].control), before[i]) << cases[i].what << " was restyled";
  }
}

TEST_F(VisualStyleTest, StyleZeroGivesBackSystemPainting) {
  Capture native = SettledCapture(host_.get());
  ApplyStyleTwo();
  ASSERT_NE(CaptureWindow(host_.get()), native);

  // Another palette replaces the first, and then the first comes back.
  ASSERT_NE(platform::ApplyVisualStyle(3), 0);
  EXPECT_TRUE(WaitFor([&] {
    Capture c = CaptureWindow(push_);
    return c.At(50, 0) != kPushButtonFrame && c.At(50, 0) != native.At(10 + 50, 10);
  })) << "style 3 did not repaint the push button in its own frame";
  ApplyStyleTwo();

  ASSERT_NE(platform::ApplyVisualStyle(0), 0);
  EXPECT_TRUE(WaitFor([&] { return WindowCaptureIs(host_.get(), native); }))
      << "the controls do not look as they did before styling";

  // Restored controls stay the system's: a new one as well as a pressed one.
  HWND laterButton = Child(L"Button", L"Later", BS_PUSHBUTTON, 10, 240, 100, 30);
  UpdateWindow(laterButton);
  SendMessageW(push_, BM_SETSTATE, TRUE, 0);
  SendMessageW(push_, BM_SETSTATE, FALSE, 0);
  EXPECT_NE(SettledCapture(laterButton).At(50, 0), kPushButtonFrame);
  DestroyWindow(laterButton);
  EXPECT_TRUE(WaitFor([&] { return WindowCaptureIs(host_.get(), native); }));
}

TEST_F(VisualStyleTest, RepaintingHoldsNoGdiObjects) {
  auto repaintAll = [&](int times) {
    for (int i = 0; i < times; ++i) {
      SendMessageW(push_, BM_SETSTATE, i % 2, 0);
      SendMessageW(unchecked_, BM_SETCHECK, i % 3, 0);
      if (i % 10 == 0) SetFocus(i % 20 ? edit_ : push_);
      SendMessageW(push_, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
      SendMessageW(upDown_, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
      SendMessageW(push_, WM_MOUSELEAVE, 0, 0);
      SendMessageW(upDown_, WM_MOUSELEAVE, 0, 0);
      RedrawWindow(host_.get(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
      PumpMessages();
    }
    SetFocus(host_.get());
    SendMessageW(push_, BM_SETSTATE, FALSE, 0);
    PumpMessages();
  };
  // One whole round before counting: the system keeps a few drawing objects
  // (a focus-rectangle pattern, fonts) cached from their first use.
  ApplyStyleTwo();
  repaintAll(20);
  ASSERT_NE(platform::ApplyVisualStyle(0), 0);
  repaintAll(20);
  long unstyled = test_support::GdiObjectCount();
  ASSERT_GT(unstyled, 0) << "no way to count GDI objects here";

  ApplyStyleTwo();
  repaintAll(20);
  long styled = test_support::GdiObjectCount();
  repaintAll(300);
  EXPECT_EQ(test_support::GdiObjectCount(), styled) << "repainting styled controls leaks";

  ASSERT_NE(platform::ApplyVisualStyle(0), 0);
  repaintAll(20);
  EXPECT_EQ(test_support::GdiObjectCount(), unstyled) << "style 0 leaves GDI objects behind";
}

// Looks for a window of this thread by its exact title.
HWND FindThreadWindow(const wchar_t* title) {
  struct Search {
    const wchar_t* title;
    HWND found;
  } search{title, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        wchar_t text[128] = {};
        GetWindowTextW(window, text, 128);
        if (wcscmp(text, s->title) != 0) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> Descendants(HWND window) {
  std::vector<HWND> found;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM data) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// Runs a check from a timer while a modal box or dialog of this thread is open,
// until it passes or a deadline runs out, then closes the box with IDCANCEL.
class ModalProbe {
 public:
  ModalProbe(const wchar_t* title, std::function<bool(HWND)> check)
      : title_(title), check_(std::move(check)), deadline_(GetTickCount64() + 60000) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 100, &ModalProbe::Tick);
  }
  ~ModalProbe() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool passed() const { return passed_; }
  bool sawWindow() const { return sawWindow_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalProbe* probe = current_;
    if (!probe || probe->closing_) return;
    HWND box = FindThreadWindow(probe->title_);
    if (!box) {
      if (GetTickCount64() > probe->deadline_) probe->closing_ = true;
      return;
    }
    probe->sawWindow_ = true;
    if (IsWindowVisible(box) && probe->check_(box)) probe->passed_ = true;
    if (probe->passed_ || GetTickCount64() > probe->deadline_) {
      probe->closing_ = true;
      PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    }
  }

  static inline ModalProbe* current_ = nullptr;
  const wchar_t* title_;
  std::function<bool(HWND)> check_;
  ULONGLONG deadline_;
  UINT_PTR timer_ = 0;
  bool sawWindow_ = false;
  bool passed_ = false;
  bool closing_ = false;
};

TEST_F(VisualStyleTest, MessageBoxButtonIsRestyled) {
  ApplyStyleTwo();
  ModalProbe probe(L"visual style message box", [](HWND box) {
    HWND ok = GetDlgItem(box, IDOK);
    return ok && IsWindowVisible(ok) && WindowShows(ok, 10, 0, kPushButtonFrame);
  });
  MessageBoxW(nullptr, L"restyled?", L"visual style message box", MB_OK | MB_TASKMODAL);
  EXPECT_TRUE(probe.sawWindow());
  EXPECT_TRUE(probe.passed()) << "the OK button is not framed in " << Describe(kPushButtonFrame);
}

TEST_F(VisualStyleTest, SaveDialogControlsAreRestyled) {
  ApplyStyleTwo();
  std::wstring report;
  ModalProbe probe(L"visual style save dialog", [&](HWND dialog) {
    report.clear();
    bool buttonStyled = false;
    bool fileNameStyled = false;
    for (HWND control : Descendants(dialog)) {
      if (!IsWindowVisible(control)) continue;
      std::wstring kind = ClassOf(control);
      int id = GetDlgCtrlID(control);
      RECT r;
      GetWindowRect(control, &r);
      if (kind == L"Button" && id == IDOK) {
        buttonStyled = WindowShows(control, (r.right - r.left) / 2, 0, kPushButtonFrame);
      }
      // The file name is typed in an edit box, or in the edit field of a combo.
      if ((kind == L"Edit" && id == 0x480) || (kind == L"ComboBox" && id == 0x47c)) {
        fileNameStyled = WindowShows(control, (r.right - r.left) / 2, 0, kFieldFrame);
      }
      report += kind + L" " + std::to_wstring(id) + L"; ";
    }
    return buttonStyled && fileNameStyled;
  });
  wchar_t file[260] = L"";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.lpstrFile = file;
  dialog.nMaxFile = 260;
  dialog.lpstrFilter = L"Bitmap\0*.bmp\0";
  dialog.lpstrTitle = L"visual style save dialog";
  dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  EXPECT_FALSE(GetSaveFileNameW(&dialog));
  EXPECT_TRUE(probe.sawWindow());
  EXPECT_TRUE(probe.passed()) << "controls seen: " << Narrow(report);
}

}  // namespace
