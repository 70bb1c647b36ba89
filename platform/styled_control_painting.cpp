#include "platform/styled_control_painting.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/flat_drawing.h"
#include "platform/handles.h"
#include "platform/styled_control_kind.h"

namespace platform {

namespace {

constexpr int kBoxTextGap = 4;
constexpr int kGroupCaptionIndent = 7;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
RECT Inset(const RECT& r, int by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }

std::wstring ControlText(HWND control) {
  auto length = static_cast<size_t>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  auto copied = static_cast<size_t>(
      SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  text.resize(std::min(copied, length));
  return text;
}

HGDIOBJ ControlFont(HWND control) {
  auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
  return font ? font : GetStockObject(SYSTEM_FONT);
}

bool HidesAccelerators(HWND control) {
  return (SendMessageW(control, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0;
}

// Fills the area the way the parent wants this control's background, asking it
// with the WM_CTLCOLOR* message the system itself would send. The parent also
// sets the text colour on the DC.
void FillParentBackground(HWND control, HDC dc, const RECT& area, UINT colourMessage) {
  HWND parent = GetParent(control);
  auto brush = parent ? reinterpret_cast<HBRUSH>(SendMessageW(parent, colourMessage,
                                                             reinterpret_cast<WPARAM>(dc),
                                                             reinterpret_cast<LPARAM>(control)))
                      : nullptr;
  LOGBRUSH description{};
  if (brush && GetObjectW(brush, sizeof description, &description) == sizeof description &&
      description.lbStyle != BS_HOLLOW) {
    FillRect(dc, &area, brush);
  } else {
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    FillSolid(dc, area, GetSysColor(COLOR_BTNFACE));
  }
}

enum class VerticalPlace { kTop, kCentre, kBottom };

struct TextLayout {
  UINT horizontal;  // DT_LEFT, DT_CENTER or DT_RIGHT
  VerticalPlace vertical;
  bool multiline;
};

TextLayout ButtonTextLayout(DWORD style, UINT defaultHorizontal) {
  TextLayout layout{defaultHorizontal, VerticalPlace::kCentre, (style & BS_MULTILINE) != 0};
  switch (style & BS_CENTER) {
    case BS_LEFT: layout.horizontal = DT_LEFT; break;
    case BS_RIGHT: layout.horizontal = DT_RIGHT; break;
    case BS_CENTER: layout.horizontal = DT_CENTER; break;
  }
  switch (style & BS_VCENTER) {
    case BS_TOP: layout.vertical = VerticalPlace::kTop; break;
    case BS_BOTTOM: layout.vertical = VerticalPlace::kBottom; break;
  }
  return layout;
}

// Draws the text in the area after the layout and returns the rectangle it covers.
RECT DrawLaidOutText(HDC dc, const std::wstring& text, const RECT& area, const TextLayout& layout,
                     bool hidePrefix, COLORREF colour) {
  UINT flags = layout.horizontal | (layout.multiline ? DT_WORDBREAK : DT_SINGLELINE) |
               (hidePrefix ? DT_HIDEPREFIX : 0);
  RECT measured = area;
  DrawTextW(dc, text.c_str(), -1, &measured, flags | DT_CALCRECT);
  int textWidth = std::min(Width(measured), Width(area));
  int textHeight = Height(measured);
  int top = area.top;
  if (layout.vertical == VerticalPlace::kCentre) top += (Height(area) - textHeight) / 2;
  if (layout.vertical == VerticalPlace::kBottom) top = area.bottom - textHeight;
  RECT placed{area.left, top, area.right, top + textHeight};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  DrawTextW(dc, text.c_str(), -1, &placed, flags);

  int left = area.left;
  if (layout.horizontal == DT_CENTER) left += (Width(area) - textWidth) / 2;
  if (layout.horizontal == DT_RIGHT) left = area.right - textWidth;
  return {left, top, left + textWidth, top + textHeight};
}

void DrawFocusAround(HDC dc, RECT bounds, const RECT& client) {
  if (IsRectEmpty(&bounds)) return;
  InflateRect(&bounds, 1, 1);
  IntersectRect(&bounds, &bounds, &client);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  DrawFocusRect(dc, &bounds);
}

struct ButtonState {
  bool disabled;
  bool pushed;   // held down by the mouse or the space bar
  bool focused;
  LRESULT check;  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE
};

ButtonState ReadButtonState(HWND button) {
  LRESULT state = SendMessageW(button, BM_GETSTATE, 0, 0);
  return {!IsWindowEnabled(button), (state & BST_PUSHED) != 0, GetFocus() == button,
          SendMessageW(button, BM_GETCHECK, 0, 0)};
}

void PaintPushButton(HWND button, HDC dc, const RECT& client, DWORD style,
                     const VisualStylePalette& palette, bool hot) {
  ButtonState state = ReadButtonState(button);
  // A push-like check box or radio button stays down while it is checked.
  bool pressed = state.pushed || state.check != BST_UNCHECKED;
  bool isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;

  FillParentBackground(button, dc, client, WM_CTLCOLORBTN);
  RECT face = Inset(client, 1);
  if (state.disabled) {
    COLORREF buttonFace = GetSysColor(COLOR_BTNFACE);
    FillVerticalGradient(dc, face, BlendColours(buttonFace, RGB(255, 255, 255), 1, 2), buttonFace);
  } else if (pressed) {
    FillVerticalGradient(dc, face, palette.buttonPressedTop, palette.buttonPressedBottom);
  } else if (hot) {
    FillVerticalGradient(dc, face, palette.buttonHotTop, palette.buttonHotBottom);
  } else {
    FillVerticalGradient(dc, face, palette.buttonFaceTop, palette.buttonFaceBottom);
  }
  DrawSoftFrame(dc, client, state.disabled ? DisabledFrameColour() : palette.buttonFrame);
  if (!state.disabled && (hot || state.focused || isDefault)) {
    DrawFrame(dc, face, hot ? palette.hotRing : palette.focusRing);
  }

  RECT textArea = Inset(client, 4);
  if (pressed) OffsetRect(&textArea, 1, 1);
  SelectedObject font(dc, ControlFont(button));
  RECT bounds = DrawLaidOutText(dc, ControlText(button), textArea, ButtonTextLayout(style, DT_CENTER),
                                HidesAccelerators(button),
                                GetSysColor(state.disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  if (state.focused) DrawFocusAround(dc, bounds, Inset(client, 2));
}

void PaintCheckOrRadio(HWND button, HDC dc, const RECT& client, DWORD style, bool radio,
                       const VisualStylePalette& palette, bool hot) {
  ButtonState state = ReadButtonState(button);
  FillParentBackground(button, dc, client, WM_CTLCOLORSTATIC);
  COLORREF textColour = state.disabled ? GetSysColor(COLOR_GRAYTEXT) : GetTextColor(dc);

  bool boxOnRight = (style & BS_LEFTTEXT) != 0;
  int boxLeft = boxOnRight ? client.right - kCheckBoxSize : client.left;
  int boxTop = client.top + (Height(client) - kCheckBoxSize) / 2;
  if ((style & BS_VCENTER) == BS_TOP) boxTop = client.top;
  if ((style & BS_VCENTER) == BS_BOTTOM) boxTop = client.bottom - kCheckBoxSize;

  COLORREF frame = state.disabled ? DisabledFrameColour() : palette.boxFrame;
  COLORREF faceTop = palette.boxFaceTop;
  COLORREF faceBottom = palette.boxFaceBottom;
  if (state.disabled) {
    faceTop = faceBottom = GetSysColor(COLOR_BTNFACE);
  } else if (state.pushed) {
    faceTop = BlendColours(palette.boxFaceTop, palette.boxFrame, 1, 4);
    faceBottom = palette.boxFaceTop;
  } else if (hot) {
    faceTop = BlendColours(palette.boxFaceTop, palette.hotRing, 1, 3);
  }
  COLORREF mark = state.disabled ? GetSysColor(COLOR_GRAYTEXT) : palette.checkMark;

  if (radio) {
    DrawRadioCircle(dc, boxLeft, boxTop, frame, faceTop, faceBottom, state.check == BST_CHECKED, mark);
  } else {
    RECT box{boxLeft, boxTop, boxLeft + kCheckBoxSize, boxTop + kCheckBoxSize};
    FillVerticalGradient(dc, Inset(box, 1), faceTop, faceBottom);
    DrawFrame(dc, box, frame);
    if (hot && !state.disabled) DrawFrame(dc, Inset(box, 1), palette.hotRing);
    if (state.check == BST_CHECKED) {
      DrawCheckMark(dc, boxLeft + 3, boxTop + 3, mark);
    } else if (state.check == BST_INDETERMINATE) {
      FillSolid(dc, {boxLeft + 3, boxTop + 3, boxLeft + 10, boxTop + 10},
                BlendColours(mark, faceBottom, 1, 3));
    }
  }

  RECT textArea = client;
  if (boxOnRight) {
    textArea.right -= kCheckBoxSize + kBoxTextGap;
  } else {
    textArea.left += kCheckBoxSize + kBoxTextGap;
  }
  SelectedObject font(dc, ControlFont(button));
  RECT bounds = DrawLaidOutText(dc, ControlText(button), textArea, ButtonTextLayout(style, DT_LEFT),
                                HidesAccelerators(button), textColour);
  if (state.focused) DrawFocusAround(dc, bounds, client);
}

void PaintGroupBox(HWND box, HDC target, const RECT& client, DWORD style,
                   const VisualStylePalette& palette) {
  OffscreenCanvas canvas(target, Width(client), Height(client));
  if (!canvas) return;
  HDC dc = canvas.dc();
  FillParentBackground(box, dc, client, WM_CTLCOLORSTATIC);
  bool disabled = !IsWindowEnabled(box);

  SelectedObject font(dc, ControlFont(box));
  std::wstring caption = ControlText(box);
  SIZE captionSize{};
  if (!caption.empty()) {
    RECT measured{0, 0, Width(client), 0};
    DrawTextW(dc, caption.c_str(), -1, &measured,
              DT_SINGLELINE | DT_CALCRECT | (HidesAccelerators(box) ? DT_HIDEPREFIX : 0));
    captionSize = {std::min<LONG>(measured.right + 4, Width(client) - 2 * kGroupCaptionIndent),
                   measured.bottom};
  }
  int frameTop = captionSize.cy / 2;
  DrawSoftFrame(dc, {client.left, frameTop, client.right, client.bottom},
                disabled ? DisabledFrameColour() : palette.groupFrame);

  RECT captionBox{};
  if (!caption.empty()) {
    int left = kGroupCaptionIndent;
    if ((style & BS_CENTER) == BS_CENTER) left = (Width(client) - captionSize.cx) / 2;
    else if ((style & BS_CENTER) == BS_RIGHT) left = Width(client) - kGroupCaptionIndent - captionSize.cx;
    captionBox = {left, 0, left + captionSize.cx, captionSize.cy};
    FillParentBackground(box, dc, captionBox, WM_CTLCOLORSTATIC);
    RECT textArea = Inset(captionBox, 0);
    textArea.left += 2;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT) : palette.groupText);
    DrawTextW(dc, caption.c_str(), -1, &textArea,
              DT_SINGLELINE | DT_LEFT | DT_END_ELLIPSIS | (HidesAccelerators(box) ? DT_HIDEPREFIX : 0));
  }

  // Copy all but the inside, which shows whatever lies beneath the box.
  int saved = SaveDC(target);
  int insideTop = frameTop + 1;
  if (IsRectEmpty(&captionBox)) {
    ExcludeClipRect(target, 1, insideTop, client.right - 1, client.bottom - 1);
  } else {
    ExcludeClipRect(target, 1, std::max<int>(insideTop, captionBox.bottom), client.right - 1,
                    client.bottom - 1);
    ExcludeClipRect(target, 1, insideTop, captionBox.left, captionBox.bottom);
    ExcludeClipRect(target, captionBox.right, insideTop, client.right - 1, captionBox.bottom);
  }
  canvas.CopyTo(target);
  RestoreDC(target, saved);
}

}  // namespace

void PaintStyledButton(HWND button, HDC target, const VisualStylePalette& palette, bool hot) {
  RECT client;
  GetClientRect(button, &client);
  auto style = static_cast<DWORD>(GetWindowLongPtrW(button, GWL_STYLE));
  StyledControlKind kind = ButtonKindForStyle(style);
  if (kind == StyledControlKind::kGroupBox) {
    PaintGroupBox(button, target, client, style, palette);
    return;
  }
  OffscreenCanvas canvas(target, Width(client), Height(client));
  if (!canvas) return;
  if (kind == StyledControlKind::kPushButton) {
    PaintPushButton(button, canvas.dc(), client, style, palette, hot);
  } else {
    PaintCheckOrRadio(button, canvas.dc(), client, style, kind == StyledControlKind::kRadioButton,
                      palette, hot);
  }
  canvas.CopyTo(target);
}

namespace {

bool IsHorizontalUpDown(HWND upDown) {
  return (GetWindowLongPtrW(upDown, GWL_STYLE) & UDS_HORZ) != 0;
}

// The two halves and the line between them, inside the one-pixel frame.
struct UpDownLayout {
  RECT first;
  RECT divider;
  RECT second;
};

UpDownLayout LayOutUpDown(const RECT& client, bool horizontal) {
  RECT inside = Inset(client, 1);
  if (horizontal) {
    int middle = client.left + Width(client) / 2;
    return {{inside.left, inside.top, middle, inside.bottom},
            {middle, inside.top, middle + 1, inside.bottom},
            {middle + 1, inside.top, inside.right, inside.bottom}};
  }
  int middle = client.top + Height(client) / 2;
  return {{inside.left, inside.top, inside.right, middle},
          {inside.left, middle, inside.right, middle + 1},
          {inside.left, middle + 1, inside.right, inside.bottom}};
}

void DrawArrowButtonFace(HDC dc, const RECT& area, bool disabled, bool pressed, bool hot,
                         const VisualStylePalette& palette) {
  if (disabled) {
    FillSolid(dc, area, GetSysColor(COLOR_BTNFACE));
  } else if (pressed) {
    FillVerticalGradient(dc, area, palette.arrowFaceBottom,
                         BlendColours(palette.arrowFaceBottom, palette.arrowGlyph, 1, 5));
  } else if (hot) {
    FillVerticalGradient(dc, area, RGB(255, 255, 255), palette.arrowFaceTop);
  } else {
    FillVerticalGradient(dc, area, palette.arrowFaceTop, palette.arrowFaceBottom);
  }
}

}  // namespace

UpDownPart UpDownPartAt(HWND upDown, POINT client) {
  RECT area;
  GetClientRect(upDown, &area);
  if (!PtInRect(&area, client)) return UpDownPart::kNone;
  bool horizontal = IsHorizontalUpDown(upDown);
  bool first = horizontal ? client.x < area.left + Width(area) / 2 : client.y < area.top + Height(area) / 2;
  return first ? UpDownPart::kFirst : UpDownPart::kSecond;
}

void PaintStyledUpDown(HWND upDown, HDC target, const VisualStylePalette& palette, UpDownPart hot,
                       UpDownPart pressed) {
  RECT client;
  GetClientRect(upDown, &client);
  OffscreenCanvas canvas(target, Width(client), Height(client));
  if (!canvas) return;
  HDC dc = canvas.dc();
  bool disabled = !IsWindowEnabled(upDown);
  bool horizontal = IsHorizontalUpDown(upDown);
  COLORREF frame = disabled ? DisabledFrameColour() : palette.fieldFrame;
  COLORREF glyph = disabled ? GetSysColor(COLOR_GRAYTEXT) : palette.arrowGlyph;

  UpDownLayout layout = LayOutUpDown(client, horizontal);
  struct Half {
    RECT area;
    UpDownPart part;
    ArrowDirection arrow;
  } halves[2] = {
      {layout.first, UpDownPart::kFirst, horizontal ? ArrowDirection::kLeft : ArrowDirection::kUp},
      {layout.second, UpDownPart::kSecond, horizontal ? ArrowDirection::kRight : ArrowDirection::kDown}};
  for (const Half& half : halves) {
    DrawArrowButtonFace(dc, half.area, disabled, pressed == half.part, hot == half.part, palette);
    DrawArrowGlyph(dc, half.area, half.arrow, glyph);
  }
  FillSolid(dc, layout.divider, frame);
  DrawFrame(dc, client, frame);
  canvas.CopyTo(target);
}

void PaintStyledCombo(HWND combo, HDC target, WNDPROC systemProcedure,
                      const VisualStylePalette& palette, bool hot) {
  RECT client;
  GetClientRect(combo, &client);
  OffscreenCanvas canvas(target, Width(client), Height(client));
  if (!canvas) return;
  HDC dc = canvas.dc();
  bool disabled = !IsWindowEnabled(combo);
  COLORREF field = GetSysColor(disabled ? COLOR_BTNFACE : COLOR_WINDOW);
  FillSolid(dc, client, field);
  CallWindowProcW(systemProcedure, combo, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);

  DrawFrame(dc, Inset(client, 1), field);
  DrawFrame(dc, client, disabled ? DisabledFrameColour() : palette.fieldFrame);

  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  bool haveInfo = GetComboBoxInfo(combo, &info) != FALSE;
  if (haveInfo && !IsRectEmpty(&info.rcButton) && !(info.stateButton & STATE_SYSTEM_INVISIBLE)) {
    bool pressed = (info.stateButton & STATE_SYSTEM_PRESSED) != 0 ||
                   SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0;
    RECT button = info.rcButton;
    DrawArrowButtonFace(dc, button, disabled, pressed, hot, palette);
    DrawSoftFrame(dc, button, disabled ? DisabledFrameColour() : palette.arrowFrame);
    DrawArrowGlyph(dc, Inset(button, 1), ArrowDirection::kDown,
                   disabled ? GetSysColor(COLOR_GRAYTEXT) : palette.arrowGlyph);
  }

  int saved = SaveDC(target);
  if (haveInfo && info.hwndItem && info.hwndItem != combo) {
    // The edit field of a drop-down combo paints itself.
    RECT field;
    GetWindowRect(info.hwndItem, &field);
    MapWindowPoints(nullptr, combo, reinterpret_cast<POINT*>(&field), 2);
    ExcludeClipRect(target, field.left, field.top, field.right, field.bottom);
  }
  canvas.CopyTo(target);
  RestoreDC(target, saved);
}

void PaintStyledFieldFrame(HWND field, HDC windowDc, bool isEdit, const VisualStylePalette& palette,
                           bool hot) {
  auto style = static_cast<DWORD>(GetWindowLongPtrW(field, GWL_STYLE));
  auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(field, GWL_EXSTYLE));
  RECT border{0, 0, 0, 0};
  AdjustWindowRectEx(&border, style & (WS_BORDER | WS_THICKFRAME), FALSE,
                     exStyle & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME));
  if (border.left >= 0 && border.top >= 0 && border.right <= 0 && border.bottom <= 0) return;

  RECT window;
  GetWindowRect(field, &window);
  RECT whole{0, 0, Width(window), Height(window)};
  OffscreenCanvas canvas(windowDc, whole.right, whole.bottom);
  if (!canvas) return;
  bool disabled = !IsWindowEnabled(field);
  bool readOnly = isEdit && (style & ES_READONLY) != 0;
  COLORREF ring = GetSysColor(disabled || readOnly ? COLOR_BTNFACE : COLOR_WINDOW);
  if (!disabled && (hot || GetFocus() == field)) ring = palette.fieldFocusRing;
  FillSolid(canvas.dc(), whole, ring);
  DrawFrame(canvas.dc(), whole, disabled ? DisabledFrameColour() : palette.fieldFrame);

  // Only the border band: the client area and the scroll bars stay as drawn.
  int saved = SaveDC(windowDc);
  ExcludeClipRect(windowDc, -border.left, -border.top, whole.right - border.right,
                  whole.bottom - border.bottom);
  canvas.CopyTo(windowDc);
  RestoreDC(windowDc, saved);
}

}  // namespace platform
