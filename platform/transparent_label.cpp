#include "platform/transparent_label.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/window_geometry.h"

namespace platform {
namespace {

constexpr wchar_t kColourProperty[] = L"Tessarin.TextColour";
constexpr wchar_t kFontProperty[] = L"Tessarin.Font";


// Paints the label's area as the parent and the siblings below it show it,
// then the text on top.
void Paint(HWND label, HDC target) {
  RECT client;
  GetClientRect(label, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  UniqueMemoryDc buffer(CreateCompatibleDC(target));
  UniqueBitmap bitmap(CreateCompatibleBitmap(target, client.right, client.bottom));
  if (!buffer || !bitmap) return;
  SelectedObject selected(buffer.get(), bitmap.get());
  FillRect(buffer.get(), &client, GetSysColorBrush(COLOR_BTNFACE));

  const RECT self = RectInParent(label);
  std::vector<HWND> below;
  for (HWND sibling = GetWindow(label, GW_HWNDNEXT); sibling; sibling = GetWindow(sibling, GW_HWNDNEXT))
    below.push_back(sibling);
  // Bottom-most first, so each lies over the ones beneath it.
  for (auto it = below.rbegin(); it != below.rend(); ++it) {
    if (!IsWindowVisible(*it)) continue;
    RECT r = RectInParent(*it), overlap;
    if (!IntersectRect(&overlap, &r, &self)) continue;
    POINT old;
    SetViewportOrgEx(buffer.get(), r.left - self.left, r.top - self.top, &old);
    SendMessageW(*it, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(buffer.get()), PRF_CLIENT | PRF_ERASEBKGND);
    SetViewportOrgEx(buffer.get(), old.x, old.y, nullptr);
  }

  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(label)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(label, text.data(), static_cast<int>(text.size()))));
  auto font = static_cast<HFONT>(GetPropW(label, kFontProperty));
  SelectedObject selectedFont(buffer.get(), font ? font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(buffer.get(), TRANSPARENT);
  SetTextColor(buffer.get(), static_cast<COLORREF>(reinterpret_cast<UINT_PTR>(GetPropW(label, kColourProperty))));
  DrawTextW(buffer.get(), text.c_str(), static_cast<int>(text.size()), &client,
            DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  BitBlt(target, 0, 0, client.right, client.bottom, buffer.get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK LabelProcedure(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFONT:
      SetPropW(label, kFontProperty, reinterpret_cast<HANDLE>(wParam));
      if (LOWORD(lParam)) InvalidateRect(label, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GetPropW(label, kFontProperty));
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(label, message, wParam, lParam);
      InvalidateRect(label, nullptr, FALSE);
      return result;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PaintDc dc(label);
      Paint(label, dc.get());
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(label, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // clicks go to what lies beneath
    case WM_NCDESTROY:
      RemovePropW(label, kFontProperty);
      RemovePropW(label, kColourProperty);
      break;
  }
  return DefWindowProcW(label, message, wParam, lParam);
}

}  // namespace

const wchar_t* TransparentLabelClass() {
  static const wchar_t* name = [] {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = LabelProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"TessarinTransparentLabel";
    RegisterClassExW(&wc);
    return L"TessarinTransparentLabel";
  }();
  return name;
}

void SetTransparentLabelColour(HWND label, COLORREF colour) {
  SetPropW(label, kColourProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(colour)));
  InvalidateRect(label, nullptr, FALSE);
}

}  // namespace platform
