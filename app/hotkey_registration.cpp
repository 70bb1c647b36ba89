#include "app/hotkey_registration.h"

#include "app/main_window.h"
#include "app/program_variables.h"
#include "platform/global_hotkey.h"
#include "platform/message_box.h"

namespace main_window {

void RegisterStartHotkey() {
  constexpr int kNoModifier = 0;
  constexpr int kF2 = 0x71;
  platform::Window& window = Get();
  热键标识 = platform::RegisterGlobalHotkey(window.NativeHandle(窗口主界面), window.NativeHandle(标签1),
                                            kNoModifier, kF2);
  if (热键标识 == 0) platform::ShowMessageBox(L"注册热键失败，请重试！", 0);
}

}  // namespace main_window
