#include "platform/message_box.h"

#include <windows.h>

#include <string>

#include "platform/message_box_style.h"

namespace platform {

int ShowMessageBox(std::wstring_view text, unsigned style, const wchar_t* caption) {
  // MessageBoxW wants a terminated text; a view need not be one.
  const std::wstring terminatedText(text);
  return MessageBoxW(nullptr, terminatedText.c_str(), caption ? caption : kDefaultMessageCaption,
                     MessageBoxStyle(style));
}

}  // namespace platform
