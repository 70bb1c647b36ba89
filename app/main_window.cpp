#include "app/main_window.h"

#include <memory>

#include "app/hotkey_registration.h"
#include "app/program_variables.h"
#include "app/resource_ids.h"
#include "capture/capture_window.h"
#include "picture/save_capture.h"
#include "platform/file_dialog.h"
#include "platform/visual_style.h"

namespace main_window {
namespace {

using platform::UnitDescription;
using platform::UnitKind;

// Runs before the window is shown: its units exist, so the style reaches them
// from their first paint, and the backdrop taken by the capture window's own
// creation handler cannot contain this window.
void OnCreated() {
  platform::ApplyVisualStyle(2);
  RegisterStartHotkey();
  capture_window::Get().Load();
}

void OnSave() {
  platform::Window& window = Get();
  picture::SaveCapture(window.Dialog(通用对话框), window.NativeHandle(窗口主界面),
                       [&window] { return window.BackgroundPicture(画板截图结果); });
}

platform::WindowDescription Describe() {
  platform::WindowDescription d;
  d.title = kTitle;
  d.width = 416;
  d.height = 298;
  d.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  d.exStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
  d.visible = true;
  d.escCloses = true;
  d.scaleWithDpi = true;
  d.iconResource = kIconResource;
  d.events.created = OnCreated;
  d.events.willBeDestroyed = [] { platform::EndProgram(0); };

  UnitDescription credit{.kind = UnitKind::TransparentLabel, .left = 296, .top = 0, .width = 112,
                         .height = 24, .text = L"Tessarin 工作室"};
  credit.textColour = RGB(0, 128, 0);
  credit.font = platform::FontDescription{L"宋体", 12, FW_NORMAL, GB2312_CHARSET};

  UnitDescription fileDialog{.kind = UnitKind::FileDialog, .left = 0, .top = 200, .width = 26,
                             .height = 26, .visible = false};
  fileDialog.dialog = std::make_shared<platform::FileDialog>(picture::CaptureDialogSettings());

  UnitDescription hotkeySink{.kind = UnitKind::Label, .left = 8, .top = 240, .width = 80,
                             .height = 24, .visible = false};
  hotkeySink.events.feedback = [](int identifier, int) {
    if (identifier == 热键标识) capture_window::StartCapture();
  };

  UnitDescription hideWindow{.kind = UnitKind::CheckBox, .left = 16, .top = 69, .width = 80,
                             .height = 24, .text = L"隐藏窗口", .tabStop = true, .checked = true};

  UnitDescription save{.kind = UnitKind::Button, .left = 16, .top = 122, .width = 80, .height = 32,
                       .text = L"保存到本地", .tabStop = true};
  save.events.clicked = OnSave;

  UnitDescription result{.kind = UnitKind::Canvas, .left = 112, .top = 8, .width = 292, .height = 258};
  result.pictureMode = platform::PictureMode::CentredFit;

  UnitDescription start{.kind = UnitKind::Button, .left = 14, .top = 8, .width = 80, .height = 32,
                        .text = L"F2/开始截图", .tabStop = true};
  start.events.clicked = capture_window::StartCapture;

  d.units = {credit, fileDialog, hotkeySink, hideWindow, save, result, start};
  return d;
}

}  // namespace

platform::Window& Get() {
  static platform::Window window(Describe());
  return window;
}

}  // namespace main_window
