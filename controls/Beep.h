#pragma once

#include <functional>

namespace tesselvane {

// The platform's default beep, for a refused keystroke or step.
void beep();

// Receives every beep instead of the loudspeaker; for tests.
void setBeepHook(std::function<void()> hook);

}  // namespace tesselvane
