// SPDX-License-Identifier: MIT
#pragma once
// Collects the change events of a component; the test thread plays the main thread and serves hand-offs
// while it waits.

#include "tests/support/Wait.h"
#include "watch/MainThreadQueue.h"
#include "watch/Vasko_DiskMonitor.h"

#include <algorithm>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace tervane::test {

using Event = std::pair<TWatchAction, std::string>;

inline const char* actionName(TWatchAction a)
{
    constexpr const char* names[] = {"Add", "Remove", "Modify", "RenameOld", "RenameNew"};
    return names[static_cast<int>(a)];
}

struct Recorder
{
    std::vector<Event> events;

    void attach(TQuorvel_DiskMonitor& monitor)
    {
        monitor.SetOnChange([this](TQuorvel_DiskMonitor*, TWatchAction action, std::string name) {
            events.emplace_back(action, name);
        });
    }

    [[nodiscard]] bool has(TWatchAction action, const std::string& name) const
    {
        return std::find(events.begin(), events.end(), Event{action, name}) != events.end();
    }
    [[nodiscard]] std::size_t count(TWatchAction action, const std::string& name) const
    {
        return static_cast<std::size_t>(std::count(events.begin(), events.end(), Event{action, name}));
    }

    /// Serves hand-offs until `done` holds; false (with the events seen) on the safety deadline.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds deadline = kDefaultDeadline)
    {
        return waitUntil(
            done, [] { CheckSynchronize(std::chrono::milliseconds(10)); }, deadline);
    }
    bool waitFor(TWatchAction action, const std::string& name)
    {
        return pumpUntil([&] { return has(action, name); });
    }
    /// Serves hand-offs for a short while, for checks that something does NOT arrive.
    void settle(std::chrono::milliseconds span = std::chrono::milliseconds(300))
    {
        pumpUntil([] { return false; }, span);
    }

    [[nodiscard]] std::string dump() const
    {
        std::ostringstream out;
        out << events.size() << " events:";
        for (std::size_t i = 0; i < events.size() && i < 40; ++i) {
            out << " [" << actionName(events[i].first) << ' ' << events[i].second << ']';
        }
        return out.str();
    }
};

} // namespace tervane::test
