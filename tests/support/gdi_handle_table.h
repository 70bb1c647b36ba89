#pragma once
// The GDI handle table that a process's environment block points to (x64):
// one 24-byte entry per handle slot, a slot in use having a non-zero type.
// Windows and Wine publish it in the same layout; the tests count GDI objects
// from it where GetGuiResources is a stub (Wine always answers 0).
#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace test_support {

struct GdiHandleEntry {
  std::uint64_t object;
  std::uint16_t processId;
  std::uint16_t count;
  std::uint16_t unique;
  std::uint8_t type;
  std::uint8_t flags;
  std::uint64_t user;
};
static_assert(sizeof(GdiHandleEntry) == 24);

// Every entry of the process's table (this process's or another's), or
// nothing when it cannot be read.
inline std::optional<std::vector<GdiHandleEntry>> ReadGdiHandleTable(HANDLE process) {
  constexpr std::size_t kPebGdiHandleTable = 0xF8;  // PEB::GdiSharedHandleTable on x64
  constexpr std::size_t kEntries = 0x10000;
  using QueryProcess = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
  auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
    return std::nullopt;
  std::uint64_t table = 0;
  SIZE_T read = 0;
  if (!ReadProcessMemory(process,
                         reinterpret_cast<const unsigned char*>(basic.PebBaseAddress) + kPebGdiHandleTable,
                         &table, sizeof table, &read) ||
      read != sizeof table || table == 0) {
    return std::nullopt;
  }
  std::vector<GdiHandleEntry> entries(kEntries);
  if (!ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                         entries.size() * sizeof(GdiHandleEntry), &read) ||
      read != entries.size() * sizeof(GdiHandleEntry)) {
    return std::nullopt;
  }
  return entries;
}

}  // namespace test_support
