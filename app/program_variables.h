#pragma once
// The program-wide variables. All are 0 when the program starts; handlers
// share state only through them.
#include <cstdint>

// The identifier the F2 registration returned; 0 when it failed.
inline std::int32_t 热键标识 = 0;

// The selection: 已选定 is 1 from the first accepted release to the end of the
// run; the points are in capture-canvas client pixels, which are screen pixels.
inline std::int32_t 已选定 = 0;
inline std::int32_t 起点横坐标 = 0;
inline std::int32_t 起点纵坐标 = 0;
inline std::int32_t 终点横坐标 = 0;
inline std::int32_t 终点纵坐标 = 0;
