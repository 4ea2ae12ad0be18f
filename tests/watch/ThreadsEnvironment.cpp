// SPDX-License-Identifier: MIT
// Every engine test program ends as the real program does: all workers joined before exit.

#include "watch/TThread.h"

#include <gtest/gtest.h>

namespace {

class JoinWorkers : public ::testing::Environment
{
public:
    void TearDown() override { tervane::WaitForThreads(); }
};

[[maybe_unused]] const auto* const kJoinWorkers = ::testing::AddGlobalTestEnvironment(new JoinWorkers);

} // namespace
