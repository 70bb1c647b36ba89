#pragma once
// The message-box service: ownerless boxes, task-modal unless system-modal,
// captioned "信息：" when the caller gives no caption.
#include <string_view>

namespace platform {

inline constexpr const wchar_t* kDefaultMessageCaption = L"信息：";

// Shows the box and waits until it is closed; returns the button pressed
// (IDOK and so on), or 0 when the box could not be shown.
int ShowMessageBox(std::wstring_view text, unsigned style, const wchar_t* caption = nullptr);

}  // namespace platform
