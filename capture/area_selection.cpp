#include "capture/area_selection.h"

#include "app/program_variables.h"
#include "capture/capture_window.h"
#include "platform/integer_bytes.h"

namespace capture {
namespace {

constexpr int kDefaultPointer = 0;
constexpr int kCrossHair = 2;

void SetPointer(int shape) {
  const auto bytes = platform::IntegerBytes(shape);
  capture_window::Get().SetMousePointer(capture_window::画板截图背景, bytes);
}

}  // namespace

void OnBackdropPressed(int x, int y, int /*keys*/) {
  if (已选定 != 0) return;
  SetPointer(kCrossHair);
  起点横坐标 = x;
  起点纵坐标 = y;
}

void OnBackdropReleased(int x, int y, int /*keys*/) {
  if (已选定 != 0) return;
  终点横坐标 = x;
  终点纵坐标 = y;
  capture_window::Get().DrawRectangle(capture_window::画板截图背景, 起点横坐标, 起点纵坐标,
                                      终点横坐标, 终点纵坐标);
  已选定 = 1;
  SetPointer(kDefaultPointer);
}

}  // namespace capture
