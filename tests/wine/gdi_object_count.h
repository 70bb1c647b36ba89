#pragma once
// The number of GDI objects this process holds, for leak checks.
#include <windows.h>

#include "tests/support/gdi_handle_table.h"

namespace test_support {

// GetGuiResources answers on Windows; Wine leaves it a stub that returns 0,
// and there the process's own GDI handle table is counted instead.
inline long GdiObjectCount() {
  DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (reported != 0) return static_cast<long>(reported);
#if defined(_M_X64) || defined(__x86_64__)
  const auto entries = ReadGdiHandleTable(GetCurrentProcess());
  if (!entries) return -1;
  long used = 0;
  for (const GdiHandleEntry& entry : *entries) used += entry.type != 0;
  return used;
#else
  return -1;
#endif
}

}  // namespace test_support
