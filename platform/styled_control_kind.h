#pragma once
// Which standard controls the visual-style service paints, and how.
#include <windows.h>

#include <string_view>

namespace platform {

enum class StyledControlKind {
  kNone,        // left to the system: labels, owner-drawn and picture buttons, simple combos...
  kPushButton,  // also push-like check boxes and radio buttons
  kCheckBox,    // two- and three-state
  kRadioButton,
  kGroupBox,
  kEdit,        // only its frame; the text stays the system's
  kComboBox,    // drop-down and drop-down-list combos
  kComboList,   // the drop-down list of such a combo
  kUpDown,
};

// The kind of a window from its class name and style and its parent's class
// name and style (the parent decides for edits inside an IP-address control and
// for a combo's list).
StyledControlKind ClassifyControl(std::wstring_view className, DWORD style,
                                  std::wstring_view parentClassName, DWORD parentStyle);

// The same for a live window, with its style and parent given: a window being
// created reports them only through its creation arguments.
StyledControlKind ClassifyWindow(HWND window, DWORD style, HWND parent);

// A button's kind from its current style, which BM_SETSTYLE can change.
StyledControlKind ButtonKindForStyle(DWORD style);

}  // namespace platform
