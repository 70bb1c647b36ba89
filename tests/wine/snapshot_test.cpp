#include "picture/snapshot.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "picture/bmp_layout.h"
#include "platform/handles.h"
#include "rgb.h"

namespace picture {
namespace {

using test_support::Describe;
using test_support::Rgb;

using Pattern = Rgb (*)(int x, int y);

// Different in every row and column of a full-HD screen, so a flipped,
// shifted or mirrored copy cannot match.
Rgb ScreenPattern(int x, int y) {
  return {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
          static_cast<std::uint8_t>(0x80 | (x >> 8) | ((y >> 8) << 3))};
}

Rgb SmallPattern(int x, int y) {
  return {static_cast<std::uint8_t>(255 - 3 * x), static_cast<std::uint8_t>(10 * y),
          static_cast<std::uint8_t>(x + 7 * y)};
}

// Keeps handling messages until the condition holds or the deadline passes.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 60000) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (condition()) return true;
    if (GetTickCount64() > deadline) return false;
    Sleep(10);
  }
}

// A window that shows a pattern, painted from an off-screen copy.
class PatternWindow {
 public:
  PatternWindow(int left, int top, int width, int height, Pattern pattern,
                DWORD style = WS_POPUP | WS_VISIBLE, HWND parent = nullptr)
      : width_(width), height_(height), pattern_(pattern) {
    if (width > 0 && height > 0) Render();
    window_.reset(CreateWindowExW(parent ? 0 : WS_EX_TOPMOST | WS_EX_TOOLWINDOW, ClassName(), L"",
                                  style, left, top, width, height, parent, nullptr,
                                  GetModuleHandleW(nullptr), this));
    if (window_ && (style & WS_VISIBLE)) UpdateWindow(window_.get());
  }

  HWND get() const { return window_.get(); }

  // Whether the screen shows the pattern at the window's corners and middle.
  bool OnScreen() const {
    RECT outer{};
    GetWindowRect(window_.get(), &outer);
    platform::WindowDc screen = platform::WindowDc::Client(nullptr);
    const POINT samples[] = {{0, 0}, {width_ - 1, 0}, {0, height_ - 1},
                             {width_ - 1, height_ - 1}, {width_ / 2, height_ / 2}};
    for (const POINT& p : samples) {
      const COLORREF got = GetPixel(screen.get(), outer.left + p.x, outer.top + p.y);
      const Rgb want = pattern_(p.x, p.y);
      if (got != RGB(want.r, want.g, want.b)) return false;
    }
    return true;
  }

 private:
  static const wchar_t* ClassName() {
    static const ATOM atom = [] {
      WNDCLASSW windowClass{};
      windowClass.lpfnWndProc = Procedure;
      windowClass.hInstance = GetModuleHandleW(nullptr);
      windowClass.lpszClassName = L"TessarinPatternWindow";
      windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      return RegisterClassW(&windowClass);
    }();
    return reinterpret_cast<const wchar_t*>(static_cast<ULONG_PTR>(atom));
  }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<PatternWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        platform::PaintDc paint(window);
        if (self && self->image_) {
          platform::SelectedObject selection(self->imageDc_.get(), self->image_.get());
          BitBlt(paint.get(), 0, 0, self->width_, self->height_, self->imageDc_.get(), 0, 0, SRCCOPY);
        }
        return 0;
      }
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  void Render() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    imageDc_.reset(CreateCompatibleDC(nullptr));
    image_.reset(CreateDIBSection(imageDc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        const Rgb c = pattern_(x, y);
        pixels[y * width_ + x] = (c.r << 16) | (c.g << 8) | c.b;
      }
    }
  }

  int width_;
  int height_;
  Pattern pattern_;
  platform::UniqueMemoryDc imageDc_;
  platform::UniqueBitmap image_;
  platform::UniqueWindow window_;  // destroyed first, while its image still exists
};

std::uint32_t U32At(const PictureBytes& bytes, std::size_t offset) {
  return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
         (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

std::uint16_t U16At(const PictureBytes& bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

// The layout every snapshot has: 24 bits, no colour table, bottom-up rows.
void ExpectPictureLayout(const PictureBytes& bytes, int width, int height) {
  const std::uint64_t imageSize = RowSize(width) * height;
  ASSERT_EQ(bytes.size(), 54 + imageSize);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(U32At(bytes, 2), bytes.size());
  EXPECT_EQ(U16At(bytes, 6), 0u);
  EXPECT_EQ(U16At(bytes, 8), 0u);
  EXPECT_EQ(U32At(bytes, 10), 54u);
  EXPECT_EQ(U32At(bytes, 14), 40u);
  EXPECT_EQ(static_cast<std::int32_t>(U32At(bytes, 18)), width);
  EXPECT_EQ(static_cast<std::int32_t>(U32At(bytes, 22)), height);
  EXPECT_EQ(U16At(bytes, 26), 1u);
  EXPECT_EQ(U16At(bytes, 28), 24u);
  EXPECT_EQ(U32At(bytes, 30), 0u);
  EXPECT_EQ(U32At(bytes, 34), imageSize);
  for (std::size_t offset : {38, 42, 46, 50}) EXPECT_EQ(U32At(bytes, offset), 0u) << offset;
}

// Pixel (x, y) counted from the top-left corner of the picture.
Rgb PixelAt(const PictureBytes& bytes, int x, int y) {
  const int width = static_cast<std::int32_t>(U32At(bytes, 18));
  const int height = static_cast<std::int32_t>(U32At(bytes, 22));
  const std::size_t at = 54 + RowSize(width) * (height - 1 - y) + 3 * x;
  return {bytes[at + 2], bytes[at + 1], bytes[at]};
}

// Compares every pixel of the picture with the pattern seen from (dx, dy).
int CountDifferences(const PictureBytes& bytes, int width, int height, Pattern pattern,
                     std::string* first, int dx = 0, int dy = 0) {
  int count = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb got = PixelAt(bytes, x, y);
      const Rgb want = pattern(x + dx, y + dy);
      if (got == want) continue;
      if (count++ == 0)
        *first = "at (" + std::to_string(x) + "," + std::to_string(y) + ") got " + Describe(got) +
                 " want " + Describe(want);
    }
  }
  return count;
}

bool TrueColourScreen() {
  platform::WindowDc screen = platform::WindowDc::Client(nullptr);
  return GetDeviceCaps(screen.get(), BITSPIXEL) >= 24;
}

// The whole screen covered by the pattern, once for all the tests that read
// it.
class CoveredScreen : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    width_ = GetSystemMetrics(SM_CXSCREEN);
    height_ = GetSystemMetrics(SM_CYSCREEN);
    cover_ = std::make_unique<PatternWindow>(0, 0, width_, height_, ScreenPattern);
    shown_ = PumpUntil([] { return cover_->OnScreen(); });
  }
  static void TearDownTestSuite() { cover_.reset(); }

  void SetUp() override {
    if (!TrueColourScreen()) GTEST_SKIP() << "pixel-exact reading needs a 24- or 32-bit display";
    ASSERT_TRUE(shown_) << "the pattern never reached the screen";
  }

  static inline int width_ = 0;
  static inline int height_ = 0;
  static inline std::unique_ptr<PatternWindow> cover_;
  static inline bool shown_ = false;
};

TEST_F(CoveredScreen, WholeScreenSnapshotIsTheScreenPixelForPixelBottomRowFirst) {
  const PictureBytes bytes = SnapshotScreen();
  ExpectPictureLayout(bytes, width_, height_);
  ASSERT_EQ(bytes.size(), 54 + RowSize(width_) * height_);
  // The first stored row is the screen's bottom row.
  const Rgb firstStored{bytes[56], bytes[55], bytes[54]};
  EXPECT_EQ(firstStored, ScreenPattern(0, height_ - 1)) << Describe(firstStored);
  std::string first;
  EXPECT_EQ(CountDifferences(bytes, width_, height_, ScreenPattern, &first), 0) << first;
}

TEST_F(CoveredScreen, HandleZeroGivesTheWholeScreenSnapshot) {
  const PictureBytes screen = SnapshotScreen();
  const PictureBytes noWindow = SnapshotWindow(nullptr);
  ASSERT_FALSE(noWindow.empty());
  EXPECT_TRUE(noWindow == screen);
}

TEST_F(CoveredScreen, WindowSnapshotHoldsTheWindowsOwnPixels) {
  PatternWindow window(200, 150, 80, 24, SmallPattern);
  ASSERT_TRUE(PumpUntil([&] { return window.OnScreen(); })) << "the window never showed";
  const PictureBytes bytes = SnapshotWindow(window.get());
  ASSERT_EQ(bytes.size(), 5814u);
  ExpectPictureLayout(bytes, 80, 24);
  std::string first;
  EXPECT_EQ(CountDifferences(bytes, 80, 24, SmallPattern, &first), 0) << first;
}

TEST_F(CoveredScreen, HiddenChildSnapshotShowsWhatItsParentShowsThere) {
  // The region capture frames its area with a hidden child of the full-screen window.
  PatternWindow child(300, 200, 200, 100, SmallPattern, WS_CHILD, cover_->get());
  ASSERT_TRUE(child.get());
  const PictureBytes bytes = SnapshotWindow(child.get());
  ExpectPictureLayout(bytes, 200, 100);
  std::string first;
  EXPECT_EQ(CountDifferences(bytes, 200, 100, ScreenPattern, &first, 300, 200), 0) << first;
}

TEST(WindowSnapshot, TakesTheOuterRectangleOfAFramedWindow) {
  platform::UniqueWindow window(CreateWindowExW(0, L"STATIC", L"framed",
                                                WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 30, 300,
                                                200, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(window);
  RECT outer{};
  GetWindowRect(window.get(), &outer);
  RECT client{};
  GetClientRect(window.get(), &client);
  ASSERT_GT(outer.right - outer.left, client.right) << "the window has no frame to take";
  const PictureBytes bytes = SnapshotWindow(window.get());
  ExpectPictureLayout(bytes, outer.right - outer.left, outer.bottom - outer.top);
}

TEST(WindowSnapshot, EmptyRectangleGivesTheOnePixelPicture) {
  const std::pair<int, int> sizes[] = {{0, 30}, {30, 0}, {0, 0}};
  for (const auto& [width, height] : sizes) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    platform::UniqueWindow window(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 10, 10, width,
                                                  height, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(window);
    const PictureBytes bytes = SnapshotWindow(window.get());
    ASSERT_EQ(bytes.size(), 58u);
    ExpectPictureLayout(bytes, 1, 1);
  }
}

TEST(WindowSnapshot, HandleNamingNoWindowGivesNoPicture) {
  HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_TRUE(gone);
  DestroyWindow(gone);
  ASSERT_FALSE(IsWindow(gone));
  EXPECT_TRUE(SnapshotWindow(gone).empty());
}

}  // namespace
}  // namespace picture
