#include "platform/timed_wait.h"

#include <windows.h>

#include "platform/tick_deadline.h"
#include "platform/toolkit.h"

namespace platform {

void WaitProcessingEvents(int milliseconds) {
  if (milliseconds <= 0) return;
  const std::uint32_t deadline =
      TickDeadline(GetTickCount(), static_cast<std::uint32_t>(milliseconds));
  ProcessPendingEvents();
  ProcessPendingEvents();
  while (!TickPassed(GetTickCount(), deadline)) {
    ProcessPendingEvents();
    ProcessPendingEvents();
    ProcessPendingEvents();
    ProcessPendingEvents();
  }
}

}  // namespace platform
