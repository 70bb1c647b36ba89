#pragma once
// The main window: the start and save buttons, the hide-window check box, the
// canvas that shows the last captured picture and the author credit.
#include "platform/toolkit.h"

namespace main_window {

// Identities of the window (0) and its units, in overlapping order.
enum Unit : int {
  窗口主界面 = 0,
  透明标签1,      // author credit
  通用对话框,     // file dialog, never visible
  标签1,          // hotkey sink, never visible
  选择框隐藏窗口,  // hide-window check box
  按钮保存,       // save
  画板截图结果,    // capture result
  按钮开始截图,    // start capture
};

inline constexpr wchar_t kTitle[] = L"Tessarin 截图简易工具";

platform::Window& Get();

}  // namespace main_window
