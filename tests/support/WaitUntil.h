#pragma once

#include <functional>

namespace tesselvane::test {

// Waits for `done` to hold, running this thread's events meanwhile: a test waits for what it
// expects to happen, never for a length of time. `ms` is only a safety net, far beyond what a
// loaded machine or a sanitizer build needs. True when `done` held.
bool waitUntil(const std::function<bool()>& done, int ms = 60000);

}  // namespace tesselvane::test
