#include "platform/global_hotkey.h"

#include <map>

#include "platform/hotkey_codes.h"
#include "platform/toolkit.h"

namespace platform {
namespace {

int g_attempts = 0;
std::map<int, HWND> g_targets;

}  // namespace

int RegisterGlobalHotkey(HWND owner, HWND target, int modifierCode, int keyCode) {
  const int identifier = kHotkeyIdentifierBase + ++g_attempts;
  if (!RegisterHotKey(owner, identifier, SystemModifiers(modifierCode), static_cast<UINT>(keyCode)))
    return 0;
  g_targets[identifier] = target;
  return identifier;
}

void DispatchHotkey(int identifier) {
  const auto found = g_targets.find(identifier);
  if (found != g_targets.end()) RaiseFeedback(found->second, identifier, 0);
}

}  // namespace platform
