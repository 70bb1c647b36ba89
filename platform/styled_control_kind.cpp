#include "platform/styled_control_kind.h"

namespace platform {

namespace {

bool SameName(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Versioned classes of the common-controls library are named "<version>!Button".
std::wstring_view BaseClassName(std::wstring_view name) {
  size_t bang = name.rfind(L'!');
  return bang == std::wstring_view::npos ? name : name.substr(bang + 1);
}

bool IsDropDownCombo(DWORD style) {
  DWORD type = style & 3;
  return type == CBS_DROPDOWN || type == CBS_DROPDOWNLIST;
}

std::wstring_view ClassNameOf(HWND window, wchar_t (&buffer)[64]) {
  int length = window ? GetClassNameW(window, buffer, 64) : 0;
  return {buffer, static_cast<size_t>(length > 0 ? length : 0)};
}

}  // namespace

StyledControlKind ButtonKindForStyle(DWORD style) {
  if (style & (BS_BITMAP | BS_ICON)) return StyledControlKind::kNone;
  switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
      return StyledControlKind::kPushButton;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
      return (style & BS_PUSHLIKE) ? StyledControlKind::kPushButton : StyledControlKind::kCheckBox;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return (style & BS_PUSHLIKE) ? StyledControlKind::kPushButton : StyledControlKind::kRadioButton;
    case BS_GROUPBOX:
      return StyledControlKind::kGroupBox;
    default:  // owner-drawn, user, split and command-link buttons
      return StyledControlKind::kNone;
  }
}

StyledControlKind ClassifyControl(std::wstring_view className, DWORD style,
                                  std::wstring_view parentClassName, DWORD parentStyle) {
  className = BaseClassName(className);
  parentClassName = BaseClassName(parentClassName);
  if (SameName(className, L"Button")) return ButtonKindForStyle(style);
  if (SameName(className, L"Edit")) {
    return SameName(parentClassName, L"SysIPAddress32") ? StyledControlKind::kNone
                                                        : StyledControlKind::kEdit;
  }
  if (SameName(className, L"ComboBox")) {
    return IsDropDownCombo(style) ? StyledControlKind::kComboBox : StyledControlKind::kNone;
  }
  if (SameName(className, L"ComboLBox")) {
    // A simple combo keeps its list inside itself, always open: that list is not a drop-down.
    bool insideSimpleCombo = SameName(parentClassName, L"ComboBox") && !IsDropDownCombo(parentStyle);
    return insideSimpleCombo ? StyledControlKind::kNone : StyledControlKind::kComboList;
  }
  if (SameName(className, L"msctls_updown32")) return StyledControlKind::kUpDown;
  return StyledControlKind::kNone;
}

StyledControlKind ClassifyWindow(HWND window, DWORD style, HWND parent) {
  wchar_t name[64];
  wchar_t parentName[64];
  DWORD parentStyle = parent ? static_cast<DWORD>(GetWindowLongPtrW(parent, GWL_STYLE)) : 0;
  return ClassifyControl(ClassNameOf(window, name), style, ClassNameOf(parent, parentName), parentStyle);
}

}  // namespace platform
