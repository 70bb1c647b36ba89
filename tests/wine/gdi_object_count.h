#pragma once
// The number of GDI objects this process holds, for leak checks.
#include <windows.h>
#include <winternl.h>

#include <cstdint>

namespace test_support {

// GetGuiResources answers on Windows; Wine leaves it a stub that returns 0.
// There the process's GDI handle table, which both systems publish through the
// process environment block in the same 24-byte entry layout, is counted
// instead: an entry in use has a non-zero type.
inline long GdiObjectCount() {
  DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (reported != 0) return static_cast<long>(reported);
#if defined(_M_X64) || defined(__x86_64__)
  struct HandleEntry {
    std::uint64_t object;
    std::uint16_t processId;
    std::uint16_t count;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t user;
  };
  static_assert(sizeof(HandleEntry) == 24);
  constexpr size_t kPebGdiHandleTable = 0xF8;  // PEB::GdiSharedHandleTable on x64
  constexpr int kTableEntries = 0x10000;
  using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
    return -1;
  }
  auto* peb = reinterpret_cast<const unsigned char*>(basic.PebBaseAddress);
  auto* table = *reinterpret_cast<const HandleEntry* const*>(peb + kPebGdiHandleTable);
  if (!table) return -1;
  long used = 0;
  for (int i = 0; i < kTableEntries; ++i) used += table[i].type != 0;
  return used;
#else
  return -1;
#endif
}

}  // namespace test_support
