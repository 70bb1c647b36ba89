#pragma once
// Numbers of the global hotkey service that need no Windows header.
#include <cstdint>

namespace platform {

// Identifiers are this base plus a sequence number that every registration
// attempt advances, failed ones included.
inline constexpr int kHotkeyIdentifierBase = 33000;

// The service's modifier code (1 Ctrl, 2 Shift, 4 Alt) as the system's
// modifier flags (MOD_ALT 1, MOD_CONTROL 2, MOD_SHIFT 4).
constexpr unsigned SystemModifiers(int modifierCode) {
  unsigned flags = 0;
  if (modifierCode & 1) flags |= 0x0002;  // MOD_CONTROL
  if (modifierCode & 2) flags |= 0x0004;  // MOD_SHIFT
  if (modifierCode & 4) flags |= 0x0001;  // MOD_ALT
  return flags;
}

}  // namespace platform
