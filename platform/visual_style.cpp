#include "platform/visual_style.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/handles.h"
#include "platform/styled_control_kind.h"
#include "platform/styled_control_painting.h"
#include "platform/visual_style_palette.h"

namespace platform {

namespace {

// The property that holds a restyled control's record. It also marks the
// control, so it is never subclassed twice.
constexpr wchar_t kRecordProperty[] = L"Tessarin.VisualStyle";

// What the service keeps per restyled control.
struct StyledControl {
  WNDPROC systemProcedure;
  StyledControlKind kind;
  // False once the style is removed while another subclass sits above ours:
  // the procedure then only forwards until the window goes.
  bool active = true;
  bool hot = false;
  UpDownPart hotPart = UpDownPart::kNone;
  UpDownPart pressedPart = UpDownPart::kNone;
};

// The service's state for the thread that applied the style.
struct ServiceState {
  const VisualStylePalette* palette = nullptr;
  HHOOK creationHook = nullptr;
  std::vector<HWND> controls;
};

thread_local ServiceState service;

LRESULT CALLBACK StyledControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

StyledControl* RecordOf(HWND window) {
  return static_cast<StyledControl*>(GetPropW(window, kRecordProperty));
}

bool OwnsProcedure(HWND window) {
  return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) == StyledControlProcedure;
}

void Restyle(HWND window, StyledControlKind kind) {
  if (kind == StyledControlKind::kNone) return;
  if (StyledControl* existing = RecordOf(window)) {
    // Left over from an earlier style that could not unhook itself.
    existing->active = true;
    existing->kind = kind;
    return;
  }
  auto* record = new StyledControl{nullptr, kind};
  // The record is in place before the procedure, which looks for it at once.
  if (!SetPropW(window, kRecordProperty, record)) {
    delete record;
    return;
  }
  SetLastError(0);
  auto previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StyledControlProcedure)));
  if (!previous) {
    RemovePropW(window, kRecordProperty);
    delete record;
    return;
  }
  record->systemProcedure = previous;
  service.controls.push_back(window);
}

void Forget(HWND window) {
  StyledControl* record = RecordOf(window);
  if (!record) return;
  if (OwnsProcedure(window)) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(record->systemProcedure));
  }
  RemovePropW(window, kRecordProperty);
  delete record;
  std::erase(service.controls, window);
}

// Removes the restyling of every control, or, where another subclass was put
// on top of ours, leaves ours forwarding until the control is destroyed.
void RemoveStyling() {
  if (service.creationHook) {
    UnhookWindowsHookEx(service.creationHook);
    service.creationHook = nullptr;
  }
  service.palette = nullptr;
  std::vector<HWND> controls = service.controls;
  for (HWND window : controls) {
    if (OwnsProcedure(window)) {
      Forget(window);
    } else if (StyledControl* record = RecordOf(window)) {
      record->active = false;
    }
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  }
}

bool IsButtonKind(StyledControlKind kind) {
  return kind == StyledControlKind::kPushButton || kind == StyledControlKind::kCheckBox ||
         kind == StyledControlKind::kRadioButton || kind == StyledControlKind::kGroupBox;
}

bool PaintsWholeClient(StyledControlKind kind) {
  switch (kind) {
    case StyledControlKind::kPushButton:
    case StyledControlKind::kCheckBox:
    case StyledControlKind::kRadioButton:
    case StyledControlKind::kGroupBox:
    case StyledControlKind::kUpDown:
    case StyledControlKind::kComboBox:
      return true;
    default:
      return false;
  }
}

void PaintClient(HWND window, HDC dc, const StyledControl& record) {
  const VisualStylePalette& palette = *service.palette;
  switch (record.kind) {
    case StyledControlKind::kUpDown:
      PaintStyledUpDown(window, dc, palette, record.hotPart, record.pressedPart);
      break;
    case StyledControlKind::kComboBox:
      PaintStyledCombo(window, dc, record.systemProcedure, palette, record.hot);
      break;
    default:
      PaintStyledButton(window, dc, palette, record.hot);
      break;
  }
}

void PaintFrame(HWND window, HDC windowDc, const StyledControl& record) {
  PaintStyledFieldFrame(window, windowDc, record.kind == StyledControlKind::kEdit, *service.palette,
                        record.hot);
}

// Draws the control again at once. The system draws some state changes (a
// button pressed, focused, checked) straight to the screen rather than through
// WM_PAINT; this covers them within the same message.
void RepaintNow(HWND window) {
  StyledControl* record = RecordOf(window);
  if (!record || !record->active || !service.palette || !IsWindowVisible(window)) return;
  if (PaintsWholeClient(record->kind)) {
    WindowDc dc = WindowDc::Client(window);
    if (dc) PaintClient(window, dc.get(), *record);
  } else {
    WindowDc dc = WindowDc::Whole(window);
    if (dc) PaintFrame(window, dc.get(), *record);
  }
}

// Mouse-over: the first move over a control makes it hot and asks for the
// leave notice that makes it cold again.
void NoteMouseMove(HWND window, POINT client) {
  StyledControl* record = RecordOf(window);
  if (!record) return;
  bool changed = !record->hot;
  if (!record->hot) {
    record->hot = true;
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
    TrackMouseEvent(&track);
  }
  if (record->kind == StyledControlKind::kUpDown) {
    UpDownPart part = UpDownPartAt(window, client);
    changed = changed || part != record->hotPart;
    record->hotPart = part;
  }
  if (changed) RepaintNow(window);
}

void NoteMouseLeave(HWND window) {
  StyledControl* record = RecordOf(window);
  if (!record) return;
  record->hot = false;
  record->hotPart = UpDownPart::kNone;
  RepaintNow(window);
}

void NotePressedPart(HWND window, UpDownPart part) {
  if (StyledControl* record = RecordOf(window)) {
    record->pressedPart = part;
    RepaintNow(window);
  }
}

POINT PointOf(LPARAM lParam) {
  return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

// Messages after which the system may have drawn the control its own way.
bool MayRedrawNatively(StyledControlKind kind, UINT message) {
  switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_SETFONT:
    case WM_UPDATEUISTATE:
    case WM_STYLECHANGED:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
    case WM_KEYDOWN:
    case WM_KEYUP:
      return true;
    case BM_SETSTATE:
    case BM_SETCHECK:
    case BM_SETSTYLE:
    case BM_CLICK:
      return kind != StyledControlKind::kEdit && kind != StyledControlKind::kComboList;
    default:
      return false;
  }
}

LRESULT CALLBACK StyledControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  StyledControl* record = RecordOf(window);
  if (!record) return DefWindowProcW(window, message, wParam, lParam);
  WNDPROC system = record->systemProcedure;
  if (message == WM_NCDESTROY) {
    Forget(window);
    return CallWindowProcW(system, window, message, wParam, lParam);
  }
  if (!record->active || !service.palette) return CallWindowProcW(system, window, message, wParam, lParam);

  const StyledControlKind kind = record->kind;
  // A button whose style no longer fits (made owner-drawn) is the system's again.
  if (IsButtonKind(kind) &&
      ButtonKindForStyle(static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE))) ==
          StyledControlKind::kNone) {
    return CallWindowProcW(system, window, message, wParam, lParam);
  }

  bool wholeClient = PaintsWholeClient(kind);
  switch (message) {
    case WM_PAINT:
      if (!wholeClient) break;
      if (wParam) {
        PaintClient(window, reinterpret_cast<HDC>(wParam), *record);
      } else {
        PaintDc dc(window);
        if (dc.get()) PaintClient(window, dc.get(), *record);
      }
      return 0;
    case WM_PRINTCLIENT:
      if (!wholeClient) break;
      PaintClient(window, reinterpret_cast<HDC>(wParam), *record);
      return 0;
    case WM_ERASEBKGND:
      if (!wholeClient) break;
      return 1;
    case WM_NCPAINT: {
      LRESULT result = CallWindowProcW(system, window, message, wParam, lParam);
      if (!wholeClient) RepaintNow(window);
      return result;
    }
    case WM_PRINT: {
      LRESULT result = CallWindowProcW(system, window, message, wParam, lParam);
      record = RecordOf(window);
      if (record && !wholeClient && (lParam & PRF_NONCLIENT) && wParam) {
        PaintFrame(window, reinterpret_cast<HDC>(wParam), *record);
      }
      return result;
    }
    case WM_MOUSEMOVE: {
      LRESULT result = CallWindowProcW(system, window, message, wParam, lParam);
      NoteMouseMove(window, PointOf(lParam));
      return result;
    }
    case WM_MOUSELEAVE: {
      LRESULT result = CallWindowProcW(system, window, message, wParam, lParam);
      NoteMouseLeave(window);
      return result;
    }
    default:
      break;
  }

  LRESULT result = CallWindowProcW(system, window, message, wParam, lParam);
  // The message may have destroyed the control and its record: the helpers
  // below look the record up again.
  if (kind == StyledControlKind::kUpDown) {
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
      NotePressedPart(window, UpDownPartAt(window, PointOf(lParam)));
      return result;
    }
    if (message == WM_LBUTTONUP || message == WM_CAPTURECHANGED) {
      NotePressedPart(window, UpDownPart::kNone);
      return result;
    }
  }
  if (MayRedrawNatively(kind, message)) RepaintNow(window);
  return result;
}

HWND ParentOf(HWND window) {
  HWND parent = GetAncestor(window, GA_PARENT);
  return parent == GetDesktopWindow() ? nullptr : parent;
}

BOOL CALLBACK RestyleOne(HWND window, LPARAM) {
  if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return TRUE;
  auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  Restyle(window, ClassifyWindow(window, style, ParentOf(window)));
  return TRUE;
}

BOOL CALLBACK RestyleTree(HWND topLevel, LPARAM) {
  RestyleOne(topLevel, 0);
  EnumChildWindows(topLevel, RestyleOne, 0);  // all descendants, not only children
  return TRUE;
}

// Restyles each control of a kind on the list as it is created, before it
// receives its first message.
LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && service.palette) {
    auto window = reinterpret_cast<HWND>(wParam);
    const CREATESTRUCTW* creation = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    HWND parent = creation->hwndParent == GetDesktopWindow() ? nullptr : creation->hwndParent;
    Restyle(window, ClassifyWindow(window, static_cast<DWORD>(creation->style), parent));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

int ApplyVisualStyle(int style) {
  RemoveStyling();
  const VisualStylePalette* palette = PaletteForStyle(style);
  if (!palette) return 1;

  service.creationHook = SetWindowsHookExW(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
  if (!service.creationHook) return 0;
  service.palette = palette;
  EnumThreadWindows(GetCurrentThreadId(), RestyleTree, 0);
  for (HWND window : service.controls) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
  }
  return 1;
}

}  // namespace platform
