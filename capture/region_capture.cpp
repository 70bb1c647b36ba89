#include "capture/region_capture.h"

#include "app/main_window.h"
#include "app/program_variables.h"
#include "capture/capture_window.h"
#include "capture/region_span.h"
#include "picture/snapshot.h"

namespace capture {

void OnBackdropDoubleClicked(int /*x*/, int /*y*/, int /*keys*/) {
  platform::Window& window = capture_window::Get();
  window.SetLeft(capture_window::标签1, 起点横坐标);
  window.SetTop(capture_window::标签1, 起点纵坐标);
  window.SetWidth(capture_window::标签1, RegionSpan(起点横坐标, 终点横坐标));
  window.SetHeight(capture_window::标签1, RegionSpan(起点纵坐标, 终点纵坐标));

  // Taken while the capture window still covers the screen: the backdrop with
  // the selection's outline, not the present screen.
  const picture::PictureBytes captured =
      picture::SnapshotWindow(window.NativeHandle(capture_window::标签1));
  main_window::Get().SetBackgroundPicture(main_window::画板截图结果, captured);
  window.SetVisible(capture_window::窗口截图选区, false);
}

}  // namespace capture
