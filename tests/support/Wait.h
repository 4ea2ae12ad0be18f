// SPDX-License-Identifier: MIT
#pragma once
// Condition waits for tests: poll a predicate until it holds or a generous deadline passes. The deadline
// is a safety net against hangs, not a timing assertion.

#include <chrono>
#include <functional>
#include <thread>

namespace tervane::test {

inline constexpr std::chrono::milliseconds kDefaultDeadline{10000};

/// Calls `step` (which should make progress, e.g. serve pending hand-offs) until `done` holds.
inline bool waitUntil(const std::function<bool()>& done, const std::function<void()>& step = {},
                      std::chrono::milliseconds deadline = kDefaultDeadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        if (step) {
            step();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return true;
}

} // namespace tervane::test
