#pragma once
// A wait that keeps handling the thread's events and never sleeps.

namespace platform {

// Returns once the tick count has passed now + milliseconds; 0 or less
// returns at once. A quit request stays queued for the message loop.
void WaitProcessingEvents(int milliseconds);

}  // namespace platform
