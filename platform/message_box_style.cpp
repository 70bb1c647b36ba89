#include "platform/message_box_style.h"

namespace platform {

unsigned MessageBoxStyle(unsigned style) {
  if (style & kSystemModalStyle) return style;
  return style | kTaskModalStyle;
}

}  // namespace platform
