#pragma once
#include <string>
#include <string_view>

namespace app {

// The folder part of the program file's full path: everything before its last
// backslash (the whole path when it has none).
inline std::wstring ProgramFolder(std::wstring_view programPath) {
  const size_t slash = programPath.rfind(L'\\');
  return std::wstring(slash == std::wstring_view::npos ? programPath : programPath.substr(0, slash));
}

}  // namespace app
