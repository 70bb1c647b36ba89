#include "platform/toolkit.h"

#include <algorithm>

#include "platform/canvas.h"
#include "platform/file_dialog.h"
#include "platform/global_hotkey.h"
#include "platform/handles.h"
#include "platform/window_geometry.h"
#include "platform/transparent_label.h"

namespace platform {
namespace {

constexpr wchar_t kWindowClass[] = L"TessarinWindow";
constexpr wchar_t kUnitProperty[] = L"Tessarin.Unit";

// Event delivery: suspended while a window's units are created, and stopped
// for good when the program ends.
int g_suspended = 0;
bool g_ended = false;
bool g_loopStarted = false;
std::vector<Window*> g_loaded;

bool Deliverable() { return !g_ended && g_suspended == 0; }

template <typename Handler, typename... Args>
void Raise(const Handler& handler, Args... args) {
  if (Deliverable() && handler) handler(args...);
}

int KeysHeld() {
  int keys = 0;
  if (GetKeyState(VK_CONTROL) < 0) keys |= 1;
  if (GetKeyState(VK_SHIFT) < 0) keys |= 2;
  if (GetKeyState(VK_MENU) < 0) keys |= 4;
  return keys;
}

Window* WindowOf(HWND hwnd) {
  if (!hwnd) return nullptr;
  wchar_t name[32] = {};
  GetClassNameW(hwnd, name, 32);
  if (wcscmp(name, kWindowClass) != 0) return nullptr;
  return reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// Modal loops (the save dialog, message boxes, menus) dispatch messages
// without our loop: they still pass them through this filter, so the capture
// canvas's mouse events and Esc keep working while one of them is open.
LRESULT CALLBACK ModalLoopFilter(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0 && PreTranslate(*reinterpret_cast<MSG*>(lParam))) return 1;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Once per program: the window class, and the filter that lets modal loops
// reach the toolkit's keyboard and mouse handling.
void PrepareToolkit() {
  static const bool prepared = [] {
    SetWindowsHookExW(WH_MSGFILTER, ModalLoopFilter, nullptr, GetCurrentThreadId());
    WNDCLASSEXW wc{sizeof(wc)};
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)prepared;
}


}  // namespace

struct Window::Unit {
  Window* owner = nullptr;
  int index = 0;
  UnitDescription description;
  HWND hwnd = nullptr;
  int left = 0, top = 0, width = 0, height = 0;
  bool visible = false;
  bool checked = false;
  std::unique_ptr<Canvas> canvas;
  UniqueFont font;
};

Window::Window(WindowDescription description) : description_(std::move(description)) {
  int index = 1;
  for (const UnitDescription& d : description_.units) {
    auto u = std::make_unique<Unit>();
    u->owner = this;
    u->index = index++;
    u->description = d;
    u->left = d.left;
    u->top = d.top;
    u->width = d.width;
    u->height = d.height;
    u->visible = d.visible;
    u->checked = d.checked;
    if (d.kind == UnitKind::Canvas)
      u->canvas = std::make_unique<Canvas>(d.pictureMode, d.autoRedraw, d.penColour);
    units_.push_back(std::move(u));
  }
  rect_ = {0, 0, description_.width, description_.height};
}

Window::~Window() {
  std::erase(g_loaded, this);
  // Torn down by its owner, not closed: no handler runs for it.
  tearingDown_ = true;
  if (hwnd_) DestroyWindow(hwnd_);
  for (HICON icon : icons_) DestroyIcon(icon);
}

Window::Unit& Window::unit(int index) { return *units_.at(static_cast<size_t>(index - 1)); }
const Window::Unit& Window::unit(int index) const {
  return *units_.at(static_cast<size_t>(index - 1));
}

bool Window::Exists() const { return hwnd_ && IsWindow(hwnd_); }

int Window::Scaled(int value) const {
  return description_.scaleWithDpi ? MulDiv(value, dpi_, USER_DEFAULT_SCREEN_DPI) : value;
}

bool Window::Load() {
  if (Exists()) {
    if (IsIconic(hwnd_)) {
      ShowWindow(hwnd_, SW_RESTORE);
    } else {
      SetForegroundWindow(hwnd_);
      SetActiveWindow(hwnd_);
    }
    return true;
  }
  PrepareToolkit();
  ++g_suspended;
  {
    WindowDc screen = WindowDc::Client(nullptr);
    dpi_ = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : USER_DEFAULT_SCREEN_DPI;
  }
  const int width = Scaled(description_.width);
  const int height = Scaled(description_.height);
  // Centred on the primary screen, each half rounded toward zero.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  hwnd_ = CreateWindowExW(description_.exStyle, kWindowClass, description_.title.c_str(),
                          description_.style & ~WS_VISIBLE, x, y, width, height, nullptr, nullptr,
                          GetModuleHandleW(nullptr), this);
  if (!hwnd_) {
    --g_suspended;
    return false;
  }
  visible_ = false;
  g_loaded.push_back(this);
  if (description_.iconResource) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    auto load = [&](int sizeMetric) {
      const int size = GetSystemMetrics(sizeMetric);
      HICON icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(description_.iconResource),
                                                 IMAGE_ICON, size, size, 0));
      if (icon) icons_.push_back(icon);
      return icon;
    };
    if (HICON big = load(SM_CXICON)) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (HICON small = load(SM_CXSMICON))
      SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
  CreateUnits();
  --g_suspended;

  // The visible flag is read before the creation handler, so a handler that
  // hides its own window does not keep it hidden.
  const bool showAfterwards = description_.visible;
  Raise(description_.events.created);
  if (Exists()) Raise(description_.events.moved);
  if (Exists()) Raise(description_.events.resized);
  if (Exists() && showAfterwards) {
    SetVisible(0, true);
    const HWND focus = GetFocus();
    if (focus && (focus == hwnd_ || IsChild(hwnd_, focus))) Raise(description_.events.gotFocus);
  }
  return true;
}

void Window::CreateUnits() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (description_.scaleWithDpi && dpi_ != USER_DEFAULT_SCREEN_DPI) {
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    font.lfHeight = MulDiv(font.lfHeight, dpi_, USER_DEFAULT_SCREEN_DPI);
    guiFont_.reset(CreateFontIndirectW(&font));
  }
  const HFONT guiFont = guiFont_ ? guiFont_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HWND above = HWND_TOP;
  for (auto& u : units_) {
    const UnitDescription& d = u->description;
    const DWORD child = WS_CHILD | WS_CLIPSIBLINGS | (d.tabStop ? WS_TABSTOP : 0);
    const wchar_t* windowClass = nullptr;
    DWORD style = child;
    DWORD exStyle = 0;
    void* param = nullptr;
    switch (d.kind) {
      case UnitKind::Label:
        windowClass = L"STATIC";
        style |= SS_LEFT;
        break;
      case UnitKind::TransparentLabel:
        windowClass = TransparentLabelClass();
        exStyle = WS_EX_TRANSPARENT;
        break;
      case UnitKind::Button:
        windowClass = L"BUTTON";
        style |= BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;
        break;
      case UnitKind::CheckBox:
        windowClass = L"BUTTON";
        style |= BS_AUTOCHECKBOX | BS_LEFT | BS_VCENTER;
        break;
      case UnitKind::Canvas:
        windowClass = Canvas::WindowClass();
        param = u->canvas.get();
        break;
      case UnitKind::FileDialog:
        continue;  // not a window
    }
    u->hwnd = CreateWindowExW(exStyle, windowClass, d.text.c_str(), style, Scaled(u->left),
                              Scaled(u->top), Scaled(u->width), Scaled(u->height), hwnd_, nullptr,
                              instance, param);
    if (!u->hwnd) continue;
    SetPropW(u->hwnd, kUnitProperty, u.get());
    if (d.font) {
      u->font.reset(CreateFontW(-Scaled(d.font->characterHeight), 0, 0, 0, d.font->weight, FALSE,
                                FALSE, FALSE, d.font->charset, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                d.font->face.c_str()));
      SendMessageW(u->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(u->font.get()), FALSE);
    } else {
      SendMessageW(u->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(guiFont), FALSE);
    }
    if (d.kind == UnitKind::TransparentLabel) SetTransparentLabelColour(u->hwnd, d.textColour);
    if (d.kind == UnitKind::CheckBox && u->checked)
      SendMessageW(u->hwnd, BM_SETCHECK, BST_CHECKED, 0);
    // The units' order is their overlapping order: each lies above the next.
    SetWindowPos(u->hwnd, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    above = u->hwnd;
  }
  for (auto& u : units_) {
    if (u->hwnd) ShowWindow(u->hwnd, u->visible ? SW_SHOWNA : SW_HIDE);
  }
}

HWND Window::NativeHandle(int index) const {
  if (index == 0) return Exists() ? hwnd_ : nullptr;
  return Exists() ? unit(index).hwnd : nullptr;
}

int Window::Left(int index) const {
  if (index == 0) {
    if (Exists()) {
      RECT r;
      GetWindowRect(hwnd_, &r);
      return r.left;
    }
    return rect_.left;
  }
  const Unit& u = unit(index);
  return u.hwnd && Exists() ? RectInParent(u.hwnd).left : u.left;
}

int Window::Top(int index) const {
  if (index == 0) {
    if (Exists()) {
      RECT r;
      GetWindowRect(hwnd_, &r);
      return r.top;
    }
    return rect_.top;
  }
  const Unit& u = unit(index);
  return u.hwnd && Exists() ? RectInParent(u.hwnd).top : u.top;
}

int Window::Width(int index) const {
  if (index == 0) {
    RECT r = rect_;
    if (Exists()) GetWindowRect(hwnd_, &r);
    return r.right - r.left;
  }
  const Unit& u = unit(index);
  if (u.hwnd && Exists()) {
    RECT r;
    GetWindowRect(u.hwnd, &r);
    return r.right - r.left;
  }
  return u.width;
}

int Window::Height(int index) const {
  if (index == 0) {
    RECT r = rect_;
    if (Exists()) GetWindowRect(hwnd_, &r);
    return r.bottom - r.top;
  }
  const Unit& u = unit(index);
  if (u.hwnd && Exists()) {
    RECT r;
    GetWindowRect(u.hwnd, &r);
    return r.bottom - r.top;
  }
  return u.height;
}

void Window::ApplyGeometry(int index) {
  if (!Exists()) return;
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (index == 0) {
    SetWindowPos(hwnd_, nullptr, rect_.left, rect_.top, rect_.right - rect_.left,
                 rect_.bottom - rect_.top, flags);
    return;
  }
  const Unit& u = unit(index);
  if (u.hwnd) SetWindowPos(u.hwnd, nullptr, u.left, u.top, u.width, u.height, flags);
}

// Each geometry write keeps the other values: the window's as they are on
// screen, a unit's as last recorded.
void Window::SetLeft(int index, int value) {
  value = ClampPosition(value);
  if (index == 0) {
    if (Exists()) GetWindowRect(hwnd_, &rect_);
    OffsetRect(&rect_, value - rect_.left, 0);
  } else {
    unit(index).left = value;
  }
  ApplyGeometry(index);
}

void Window::SetTop(int index, int value) {
  value = ClampPosition(value);
  if (index == 0) {
    if (Exists()) GetWindowRect(hwnd_, &rect_);
    OffsetRect(&rect_, 0, value - rect_.top);
  } else {
    unit(index).top = value;
  }
  ApplyGeometry(index);
}

void Window::SetWidth(int index, int value) {
  value = ClampSize(value);
  if (index == 0) {
    if (Exists()) GetWindowRect(hwnd_, &rect_);
    rect_.right = rect_.left + value;
  } else {
    unit(index).width = value;
  }
  ApplyGeometry(index);
}

void Window::SetHeight(int index, int value) {
  value = ClampSize(value);
  if (index == 0) {
    if (Exists()) GetWindowRect(hwnd_, &rect_);
    rect_.bottom = rect_.top + value;
  } else {
    unit(index).height = value;
  }
  ApplyGeometry(index);
}

bool Window::Visible(int index) const {
  if (index == 0) return Exists() ? IsWindowVisible(hwnd_) != FALSE : visible_;
  const Unit& u = unit(index);
  return u.hwnd && Exists() ? (GetWindowLongW(u.hwnd, GWL_STYLE) & WS_VISIBLE) != 0 : u.visible;
}

void Window::SetVisible(int index, bool visible) {
  if (index != 0) {
    Unit& u = unit(index);
    u.visible = visible;
    if (u.hwnd && Exists()) ShowWindow(u.hwnd, visible ? SW_SHOWNA : SW_HIDE);
    return;
  }
  const bool firstShow = !shownOnce_;
  visible_ = visible;
  if (!Exists()) return;
  if (!visible) {
    ShowWindow(hwnd_, SW_HIDE);
    return;
  }
  ShowWindow(hwnd_, firstShow ? SW_SHOWNORMAL : SW_SHOW);
  shownOnce_ = true;
  SetForegroundWindow(hwnd_);
  SetActiveWindow(hwnd_);
}

int Window::Checked(int index) const {
  const Unit& u = unit(index);
  if (u.hwnd && Exists() && u.description.kind == UnitKind::CheckBox)
    return SendMessageW(u.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  return u.checked ? 1 : 0;
}

std::wstring Window::Text(int index) const {
  HWND hwnd = index == 0 ? hwnd_ : unit(index).hwnd;
  if (hwnd && Exists()) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
  }
  return index == 0 ? description_.title : unit(index).description.text;
}

picture::PictureBytes Window::BackgroundPicture(int index) const {
  const Unit& u = unit(index);
  return u.canvas ? u.canvas->Picture() : picture::PictureBytes{};
}

void Window::SetBackgroundPicture(int index, std::span<const std::uint8_t> bytes) {
  Unit& u = unit(index);
  if (!u.canvas) return;
  u.canvas->SetPicture(bytes);
  if (!u.hwnd || !Exists()) return;
  // Units above the canvas that show it through (the transparent credit)
  // repaint with it.
  const RECT canvasRect = RectInParent(u.hwnd);
  for (HWND above = GetWindow(u.hwnd, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV)) {
    RECT r = RectInParent(above), overlap;
    if (IntersectRect(&overlap, &r, &canvasRect)) InvalidateRect(above, nullptr, FALSE);
  }
}

void Window::SetMousePointer(int index, std::span<const std::uint8_t> bytes) {
  Unit& u = unit(index);
  if (!u.canvas) return;
  int shape = 0;
  for (size_t i = 0; i < bytes.size() && i < 4; ++i) shape |= bytes[i] << (8 * i);
  u.canvas->SetPointer(shape);
}

void Window::DrawRectangle(int index, int x1, int y1, int x2, int y2) {
  Unit& u = unit(index);
  if (u.canvas) u.canvas->DrawRectangle(x1, y1, x2, y2);
}

FileDialog& Window::Dialog(int index) { return *unit(index).description.dialog; }

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* window = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return window ? window->HandleMessage(hwnd, message, wParam, lParam)
                : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Window::HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && lParam) {
        if (auto* u = static_cast<Unit*>(GetPropW(reinterpret_cast<HWND>(lParam), kUnitProperty)))
          Raise(u->description.events.clicked);
      }
      return 0;
    case WM_HOTKEY:
      DispatchHotkey(static_cast<int>(wParam));
      break;
    case WM_ACTIVATE:
      // Like a dialog: the keyboard focus returns to the unit that had it, or
      // goes to the first tab stop.
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) lastFocus_ = focus;
      } else if (!HIWORD(wParam)) {
        HWND target = lastFocus_ && IsChild(hwnd, lastFocus_) ? lastFocus_ : FirstTabStop();
        SetFocus(target ? target : hwnd);
        return 0;
      }
      break;
    case WM_DESTROY:
      if (!tearingDown_) Raise(description_.events.willBeDestroyed);
      break;
    case WM_NCDESTROY: {
      for (auto& u : units_) {
        if (u->hwnd) RemovePropW(u->hwnd, kUnitProperty);
        u->hwnd = nullptr;
        // Units return to their described state.
        const UnitDescription& d = u->description;
        u->left = d.left;
        u->top = d.top;
        u->width = d.width;
        u->height = d.height;
        u->checked = d.checked;
      }
      hwnd_ = nullptr;
      std::erase(g_loaded, this);
      if (g_loopStarted && g_loaded.empty()) PostQuitMessage(0);
      break;
    }
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::vector<HWND> Window::TabStops() const {
  std::vector<const Unit*> stops;
  for (const auto& u : units_) {
    if (u->hwnd && u->description.tabStop && IsWindowVisible(u->hwnd) && IsWindowEnabled(u->hwnd))
      stops.push_back(u.get());
  }
  // Reading order: top to bottom, then left to right.
  std::stable_sort(stops.begin(), stops.end(), [](const Unit* a, const Unit* b) {
    return a->top != b->top ? a->top < b->top : a->left < b->left;
  });
  std::vector<HWND> result;
  for (const Unit* u : stops) result.push_back(u->hwnd);
  return result;
}

HWND Window::FirstTabStop() const {
  const std::vector<HWND> stops = TabStops();
  return stops.empty() ? nullptr : stops.front();
}

void Window::MoveFocus(bool backward) {
  const std::vector<HWND> stops = TabStops();
  if (stops.empty()) return;
  const auto at = std::find(stops.begin(), stops.end(), GetFocus());
  size_t next = 0;
  if (at != stops.end()) {
    const size_t i = static_cast<size_t>(at - stops.begin());
    next = backward ? (i + stops.size() - 1) % stops.size() : (i + 1) % stops.size();
  } else if (backward) {
    next = stops.size() - 1;
  }
  SetFocus(stops[next]);
}

bool PreTranslate(MSG& message) {
  switch (message.message) {
    case WM_KEYDOWN: {
      const HWND root = GetAncestor(message.hwnd, GA_ROOT);
      Window* window = WindowOf(root);
      if (!window) return false;
      if (message.wParam == VK_ESCAPE && KeysHeld() == 0 && window->Description().escCloses) {
        PostMessageW(root, WM_CLOSE, 0, 0);
        return true;
      }
      if (message.wParam == VK_TAB && (KeysHeld() & ~2) == 0) {
        window->MoveFocus((KeysHeld() & 2) != 0);
        return true;
      }
      return false;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: {
      auto* u = static_cast<Window::Unit*>(GetPropW(message.hwnd, kUnitProperty));
      if (!u) return false;
      // Positions are taken unsigned from the low and high words.
      const int x = LOWORD(message.lParam);
      const int y = HIWORD(message.lParam);
      const UnitEvents& events = u->description.events;
      if (message.message == WM_LBUTTONDOWN) Raise(events.leftPressed, x, y, KeysHeld());
      if (message.message == WM_LBUTTONUP) Raise(events.leftReleased, x, y, KeysHeld());
      if (message.message == WM_LBUTTONDBLCLK) Raise(events.doubleClicked, x, y, KeysHeld());
      return false;
    }
  }
  return false;
}

void ProcessPendingEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT) {
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) break;
    if (message.message == WM_QUIT) {
      // Never swallow a quit request: put it back for the main loop.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (PreTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

int RunMessageLoop() {
  g_loopStarted = true;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (PreTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

void EndProgram(int exitCode) {
  g_ended = true;
  const std::vector<Window*> windows = g_loaded;
  for (Window* window : windows) {
    if (HWND hwnd = window->NativeHandle(0)) DestroyWindow(hwnd);
  }
  ExitProcess(static_cast<UINT>(exitCode));
}

void RaiseFeedback(HWND unitWindow, int first, int second) {
  if (!unitWindow) return;
  if (auto* u = static_cast<Window::Unit*>(GetPropW(unitWindow, kUnitProperty)))
    Raise(u->description.events.feedback, first, second);
}

}  // namespace platform
