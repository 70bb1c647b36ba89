// probe: a console tool the end-to-end tests run inside the program's Wine
// server to read what Win32 itself reports about windows, controls and the
// screen. Each fact is printed as one UTF-8 line "key=value"; newlines and
// backslashes in texts are escaped as \n, \r and \\.
//
//   probe window TITLE | --class CLASS | --hwnd HWND   one top-level window
//   probe windows                                     every top-level window
//   probe children HWND                               direct children, top first
//   probe messagebox                                  visible #32770 dialogs
//   probe focus                                       foreground, active, focus
//   probe pixel X Y                                   screen pixel through GDI
//   probe screen                                      primary screen size, depth
//   probe hotkey-free VK [MODIFIERS]                  1 when nobody holds the key
//   probe send HWND MSG [WPARAM [LPARAM]]             SendMessageTimeout result
//   probe state                                       the program's windows at a glance
//   probe resources PID                               GDI, USER, kernel handles, memory
//
// An argument written "hex:" followed by the hexadecimal UTF-8 bytes of a text
// stands for that text: Wine turns non-ASCII command lines into garbage when the
// Unix locale it is given is not installed.
//
// Exit status: 0 on success (also when the window is absent: found=0), 2 on a
// usage error.
#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include "platform/handles.h"
#include "tests/support/gdi_handle_table.h"

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                 nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                      size, nullptr, nullptr);
  return out;
}

std::string Escaped(std::wstring_view text) {
  std::string out;
  for (char c : Utf8(text)) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

// Written with WriteFile so the bytes reach a redirected file unchanged.
void Print(const std::string& key, const std::string& value) {
  std::string line = key + "=" + value + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()),
            &written, nullptr);
}

std::string Hex(std::uint64_t value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value));
  return buffer;
}

std::string Number(long long value) { return std::to_string(value); }

std::string Quad(long a, long b, long c, long d) {
  return Number(a) + "," + Number(b) + "," + Number(c) + "," + Number(d);
}

std::string HandleText(HWND window) { return Hex(reinterpret_cast<std::uintptr_t>(window)); }

// Decodes "hex:..." arguments in place (see the top of this file).
std::wstring Argument(const wchar_t* text) {
  std::wstring_view view = text;
  if (view.substr(0, 4) != L"hex:") return std::wstring(view);
  std::string bytes;
  for (size_t i = 4; i + 1 < view.size(); i += 2) {
    wchar_t pair[3] = {view[i], view[i + 1], L'\0'};
    bytes += static_cast<char>(std::wcstoul(pair, nullptr, 16));
  }
  int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                 nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(),
                      size);
  return out;
}

HWND ParseWindow(const wchar_t* text) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::wcstoull(text, nullptr, 0)));
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// WM_GETTEXT reaches controls whose text lives in the control itself; a hung
// window falls back to the text the system keeps.
std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) {
    std::vector<wchar_t> buffer(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                            reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG, 2000,
                            &copied)) {
      return std::wstring(buffer.data(), copied);
    }
  }
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}

std::string IconSize(HICON icon) {
  if (!icon) return "none";
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return "invalid";
  platform::UniqueBitmap colour(info.hbmColor);
  platform::UniqueBitmap mask(info.hbmMask);
  // A monochrome icon keeps its AND and XOR masks stacked in one bitmap.
  BITMAP bitmap{};
  GetObjectW(colour ? colour.get() : mask.get(), sizeof bitmap, &bitmap);
  long height = colour ? bitmap.bmHeight : bitmap.bmHeight / 2;
  return Number(bitmap.bmWidth) + "x" + Number(height);
}

// Wine 8 does not deliver WM_GETICON to another process's window; the answer
// is then "unknown" rather than a false "none".
std::string WindowIcon(HWND window, WPARAM which) {
  DWORD_PTR icon = 0;
  if (!SendMessageTimeoutW(window, WM_GETICON, which, 0, SMTO_ABORTIFHUNG, 2000, &icon)) {
    return "unknown";
  }
  return IconSize(reinterpret_cast<HICON>(icon));
}

// Facts about one top-level window, each key prefixed with `prefix`.
void DescribeWindow(const std::string& prefix, HWND window) {
  RECT outer{};
  GetWindowRect(window, &outer);
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  Print(prefix + "hwnd", HandleText(window));
  Print(prefix + "class", Escaped(ClassOf(window)));
  Print(prefix + "text", Escaped(TextOf(window)));
  Print(prefix + "rect", Quad(outer.left, outer.top, outer.right, outer.bottom));
  Print(prefix + "client", Number(client.right) + "," + Number(client.bottom));
  Print(prefix + "client_origin", Number(origin.x) + "," + Number(origin.y));
  Print(prefix + "style", Hex(static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE))));
  Print(prefix + "exstyle", Hex(static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE))));
  Print(prefix + "class_style", Hex(static_cast<DWORD>(GetClassLongPtrW(window, GCL_STYLE))));
  Print(prefix + "visible", Number(IsWindowVisible(window) ? 1 : 0));
  Print(prefix + "enabled", Number(IsWindowEnabled(window) ? 1 : 0));
  Print(prefix + "iconic", Number(IsIconic(window) ? 1 : 0));
  Print(prefix + "owner", HandleText(GetWindow(window, GW_OWNER)));
  Print(prefix + "pid", Number(process));
  Print(prefix + "icon_big", WindowIcon(window, ICON_BIG));
  Print(prefix + "icon_small", WindowIcon(window, ICON_SMALL));
}

int FindWindowVerb(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  HWND window = nullptr;
  std::wstring_view first = argv[2];
  if (first == L"--class" && argc >= 4) {
    window = FindWindowW(Argument(argv[3]).c_str(), nullptr);
  } else if (first == L"--hwnd" && argc >= 4) {
    window = ParseWindow(argv[3]);
    if (!IsWindow(window)) window = nullptr;
  } else {
    window = FindWindowW(nullptr, Argument(argv[2]).c_str());
  }
  Print("found", Number(window ? 1 : 0));
  if (window) DescribeWindow("", window);
  return 0;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

int WindowsVerb() {
  std::vector<HWND> windows = TopLevelWindows();
  Print("count", Number(static_cast<long long>(windows.size())));
  for (size_t i = 0; i < windows.size(); ++i) {
    DescribeWindow("window." + Number(static_cast<long long>(i)) + ".", windows[i]);
  }
  return 0;
}

// Direct children in z-order, topmost first; rectangles in the parent's client
// coordinates, as outer sizes.
int ChildrenVerb(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  HWND parent = ParseWindow(argv[2]);
  if (!IsWindow(parent)) {
    Print("found", "0");
    return 0;
  }
  Print("found", "1");
  int index = 0;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    std::string prefix = "child." + Number(index) + ".";
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    DWORD_PTR check = 0;
    std::wstring class_name = ClassOf(child);
    Print(prefix + "hwnd", HandleText(child));
    Print(prefix + "class", Escaped(class_name));
    Print(prefix + "text", Escaped(TextOf(child)));
    Print(prefix + "rect", Quad(rect.left, rect.top, rect.right, rect.bottom));
    Print(prefix + "style", Hex(static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE))));
    Print(prefix + "exstyle", Hex(static_cast<DWORD>(GetWindowLongPtrW(child, GWL_EXSTYLE))));
    Print(prefix + "id", Number(GetDlgCtrlID(child)));
    Print(prefix + "visible", Number(IsWindowVisible(child) ? 1 : 0));
    Print(prefix + "enabled", Number(IsWindowEnabled(child) ? 1 : 0));
    Print(prefix + "z", Number(index));
    if (CompareStringOrdinal(class_name.c_str(), -1, L"Button", -1, TRUE) == CSTR_EQUAL) {
      SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &check);
      Print(prefix + "checked", Number(static_cast<long long>(check)));
    }
    if (CompareStringOrdinal(class_name.c_str(), -1, L"Static", -1, TRUE) == CSTR_EQUAL) {
      DWORD_PTR icon = 0;
      SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
      Print(prefix + "icon", Number(icon ? 1 : 0));
    }
    ++index;
  }
  Print("count", Number(index));
  return 0;
}

// Message boxes are #32770 dialogs: the caption, the text of the static that
// is not an icon, the buttons, and whether an icon is shown.
int MessageBoxVerb() {
  int index = 0;
  for (HWND window : TopLevelWindows()) {
    if (ClassOf(window) != L"#32770" || !IsWindowVisible(window)) continue;
    std::string prefix = index == 0 ? "" : "box." + Number(index) + ".";
    DescribeWindow(prefix, window);
    std::wstring text;
    bool icon = false;
    int buttons = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
      std::wstring class_name = ClassOf(child);
      DWORD style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
      if (CompareStringOrdinal(class_name.c_str(), -1, L"Static", -1, TRUE) == CSTR_EQUAL) {
        if ((style & SS_TYPEMASK) == SS_ICON) {
          DWORD_PTR handle = 0;
          SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &handle);
          icon = icon || (IsWindowVisible(child) && handle != 0);
        } else if (text.empty()) {
          text = TextOf(child);
        }
      } else if (CompareStringOrdinal(class_name.c_str(), -1, L"Button", -1, TRUE) ==
                     CSTR_EQUAL &&
                 IsWindowVisible(child)) {
        std::string key = prefix + "button." + Number(buttons) + ".";
        Print(key + "text", Escaped(TextOf(child)));
        Print(key + "id", Number(GetDlgCtrlID(child)));
        Print(key + "hwnd", HandleText(child));
        ++buttons;
      }
    }
    Print(prefix + "message", Escaped(text));
    Print(prefix + "buttons", Number(buttons));
    Print(prefix + "icon", Number(icon ? 1 : 0));
    ++index;
  }
  Print("found", Number(index));
  return 0;
}

void DescribeBriefly(const std::string& key, HWND window) {
  Print(key, HandleText(window));
  if (window) {
    Print(key + ".class", Escaped(ClassOf(window)));
    Print(key + ".text", Escaped(TextOf(window)));
  }
}

int FocusVerb() {
  HWND foreground = GetForegroundWindow();
  DescribeBriefly("foreground", foreground);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  DWORD thread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
  if (thread && GetGUIThreadInfo(thread, &info)) {
    DescribeBriefly("active", info.hwndActive);
    DescribeBriefly("focus", info.hwndFocus);
    DescribeBriefly("capture", info.hwndCapture);
  }
  return 0;
}

int PixelVerb(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  int x = static_cast<int>(std::wcstol(argv[2], nullptr, 0));
  int y = static_cast<int>(std::wcstol(argv[3], nullptr, 0));
  platform::WindowDc screen = platform::WindowDc::Client(nullptr);
  COLORREF colour = GetPixel(screen.get(), x, y);
  if (colour == CLR_INVALID) {
    Print("rgb", "invalid");
  } else {
    Print("rgb", Number(GetRValue(colour)) + "," + Number(GetGValue(colour)) + "," +
                     Number(GetBValue(colour)));
  }
  return 0;
}

int ScreenVerb() {
  platform::WindowDc screen = platform::WindowDc::Client(nullptr);
  int bits = GetDeviceCaps(screen.get(), BITSPIXEL);
  Print("width", Number(GetSystemMetrics(SM_CXSCREEN)));
  Print("height", Number(GetSystemMetrics(SM_CYSCREEN)));
  Print("bits", Number(bits));
  return 0;
}

int HotkeyFreeVerb(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  UINT key = static_cast<UINT>(std::wcstoul(argv[2], nullptr, 0));
  UINT modifiers = argc >= 4 ? static_cast<UINT>(std::wcstoul(argv[3], nullptr, 0)) : 0;
  const int id = 0x5150;
  bool free = RegisterHotKey(nullptr, id, modifiers, key) != 0;
  if (free) UnregisterHotKey(nullptr, id);
  Print("free", Number(free ? 1 : 0));
  return 0;
}

int SendVerb(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  HWND window = ParseWindow(argv[2]);
  UINT message = static_cast<UINT>(std::wcstoul(argv[3], nullptr, 0));
  WPARAM wparam = argc >= 5 ? static_cast<WPARAM>(std::wcstoull(argv[4], nullptr, 0)) : 0;
  LPARAM lparam = argc >= 6 ? static_cast<LPARAM>(std::wcstoll(argv[5], nullptr, 0)) : 0;
  DWORD_PTR result = 0;
  bool delivered =
      SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result) != 0;
  Print("delivered", Number(delivered ? 1 : 0));
  Print("result", Hex(result));
  return 0;
}

// One call that tells a driver what the program shows: the main window (and
// whether its thread answers a WM_NULL within 5 s), the capture window, and
// every visible dialog. Cheap enough to run after each input.
int StateVerb() {
  const std::wstring mainTitle = L"Tessarin \u622A\u56FE\u7B80\u6613\u5DE5\u5177";
  HWND main = FindWindowW(L"TessarinWindow", mainTitle.c_str());
  Print("main.found", Number(main ? 1 : 0));
  if (main) {
    DWORD process = 0;
    GetWindowThreadProcessId(main, &process);
    DWORD_PTR ignored = 0;
    const bool answered =
        SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored) != 0;
    Print("main.hwnd", HandleText(main));
    Print("main.pid", Number(process));
    Print("main.answers", Number(answered ? 1 : 0));
    Print("main.visible", Number(IsWindowVisible(main) ? 1 : 0));
    Print("main.enabled", Number(IsWindowEnabled(main) ? 1 : 0));
    RECT client{};
    GetClientRect(main, &client);
    POINT origin{0, 0};
    ClientToScreen(main, &origin);
    Print("main.client_origin", Number(origin.x) + "," + Number(origin.y));
  }
  int captures = 0, dialogs = 0;
  for (HWND window : TopLevelWindows()) {
    const std::wstring name = ClassOf(window);
    if (name == L"TessarinWindow" && window != main) {
      Print("capture.hwnd", HandleText(window));
      Print("capture.visible", Number(IsWindowVisible(window) ? 1 : 0));
      ++captures;
    } else if (name == L"#32770" && IsWindowVisible(window)) {
      const std::string prefix = "dialog." + Number(dialogs) + ".";
      RECT outer{};
      GetWindowRect(window, &outer);
      Print(prefix + "hwnd", HandleText(window));
      Print(prefix + "text", Escaped(TextOf(window)));
      Print(prefix + "rect", Quad(outer.left, outer.top, outer.right, outer.bottom));
      Print(prefix + "owner", HandleText(GetWindow(window, GW_OWNER)));
      ++dialogs;
    }
  }
  Print("capture.found", Number(captures));
  Print("dialogs", Number(dialogs));
  HWND foreground = GetForegroundWindow();
  Print("foreground", HandleText(foreground));
  Print("foreground.class", Escaped(foreground ? ClassOf(foreground) : std::wstring()));
  return 0;
}

// GetGuiResources is a stub under Wine (always 0): the other process's GDI
// handle table is counted instead.
long long GdiObjects(HANDLE process, std::vector<long long>& byType) {
  const auto entries = test_support::ReadGdiHandleTable(process);
  if (!entries) return -1;
  byType.assign(256, 0);
  long long used = 0;
  for (const test_support::GdiHandleEntry& entry : *entries) {
    if (entry.type == 0) continue;
    ++used;
    ++byType[entry.type];
  }
  return used;
}

struct WindowCount {
  DWORD process;
  long long count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM state) {
  auto* count = reinterpret_cast<WindowCount*>(state);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == count->process) ++count->count;
  return TRUE;
}

// EnumChildWindows already walks every generation of descendants.
BOOL CALLBACK CountWindowTree(HWND window, LPARAM state) {
  CountChild(window, state);
  EnumChildWindows(window, CountChild, state);
  return TRUE;
}

// Windows are the USER objects another process can see under Wine 8: menus,
// cursors and icons of another process are not readable there.
long long WindowsOf(DWORD process) {
  WindowCount count{process, 0};
  EnumWindows(CountWindowTree, reinterpret_cast<LPARAM>(&count));
  for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
       window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
    CountWindowTree(window, reinterpret_cast<LPARAM>(&count));
  }
  return count.count;
}

int ResourcesVerb(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const DWORD id = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 0));
  platform::UniqueKernelHandle process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
  Print("found", Number(process ? 1 : 0));
  if (!process) return 0;
  std::vector<long long> byType;
  Print("gdi", Number(GdiObjects(process.get(), byType)));
  std::string types;
  for (size_t type = 0; type < byType.size(); ++type) {
    if (byType[type] == 0) continue;
    if (!types.empty()) types += ",";
    types += Number(static_cast<long long>(type)) + ":" + Number(byType[type]);
  }
  Print("gdi_by_type", types);
  Print("gdi_reported", Number(GetGuiResources(process.get(), GR_GDIOBJECTS)));
  Print("user_reported", Number(GetGuiResources(process.get(), GR_USEROBJECTS)));
  Print("windows", Number(WindowsOf(id)));
  DWORD handles = 0;
  Print("kernel_handles",
        Number(GetProcessHandleCount(process.get(), &handles) ? static_cast<long long>(handles)
                                                              : -1));
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof memory)) {
    Print("private_bytes", Number(static_cast<long long>(memory.PrivateUsage)));
    Print("working_set", Number(static_cast<long long>(memory.WorkingSetSize)));
    Print("peak_working_set", Number(static_cast<long long>(memory.PeakWorkingSetSize)));
    Print("pagefile", Number(static_cast<long long>(memory.PagefileUsage)));
    Print("peak_pagefile", Number(static_cast<long long>(memory.PeakPagefileUsage)));
  }
  return 0;
}

int Usage() {
  Print("error", "usage: probe window|windows|children|messagebox|focus|pixel|screen|"
                 "hotkey-free|send|state|resources ...");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  std::wstring_view verb = argv[1];
  int status = 2;
  if (verb == L"window") status = FindWindowVerb(argc, argv);
  else if (verb == L"windows") status = WindowsVerb();
  else if (verb == L"children") status = ChildrenVerb(argc, argv);
  else if (verb == L"messagebox") status = MessageBoxVerb();
  else if (verb == L"focus") status = FocusVerb();
  else if (verb == L"pixel") status = PixelVerb(argc, argv);
  else if (verb == L"screen") status = ScreenVerb();
  else if (verb == L"hotkey-free") status = HotkeyFreeVerb(argc, argv);
  else if (verb == L"send") status = SendVerb(argc, argv);
  else if (verb == L"state") status = StateVerb();
  else if (verb == L"resources") status = ResourcesVerb(argc, argv);
  return status == 2 ? Usage() : status;
}
