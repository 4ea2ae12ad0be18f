// SPDX-License-Identifier: MIT
// The thread facility: suspended start, park and release, termination, free-on-terminate, and the
// synchronous hand-off with its revocation.

#include "tests/support/Wait.h"
#include "watch/MainThreadQueue.h"
#include "watch/TThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tervane::test {
namespace {

// A thread that parks after each round and hands one call per round to the main thread.
class Probe : public TThread
{
public:
    struct Shared
    {
        std::atomic<int> rounds{0};
        std::atomic<int> handOffsRun{0};
        std::atomic<int> revoked{0};
        std::atomic<bool> destroyed{false};
    };
    Probe(std::shared_ptr<Shared> shared, bool handOff) : TThread(true), m_shared(std::move(shared)), m_handOff(handOff)
    {
        SetFreeOnTerminate(true);
    }
    ~Probe() override { m_shared->destroyed = true; }
    using TThread::Parked;

protected:
    void Execute() override
    {
        while (!Terminated()) {
            ++m_shared->rounds;
            if (m_handOff) {
                auto s = m_shared;
                if (Synchronize(this, [s] { ++s->handOffsRun; }) == HandOffResult::Revoked) {
                    ++s->revoked;
                }
            }
            Park();
        }
    }

private:
    std::shared_ptr<Shared> m_shared;
    bool m_handOff;
};

Probe* launch(const std::shared_ptr<Probe::Shared>& shared, bool handOff)
{
    auto owned = std::make_unique<Probe>(shared, handOff);
    Probe* p = owned.get();
    TThread::Launch(std::move(owned));
    return p;
}

TEST(ThreadFacility, SuspendedUntilReleasedAndReleasesDoNotAccumulate)
{
    auto shared = std::make_shared<Probe::Shared>();
    Probe* p = launch(shared, false);
    ASSERT_TRUE(waitUntil([&] { return p->Parked(); }));
    EXPECT_EQ(shared->rounds, 0) << "Execute ran before the first release";

    // Three releases while running still end only one park.
    p->Release();
    p->Release();
    p->Release();
    ASSERT_TRUE(waitUntil([&] { return shared->rounds >= 1 && p->Parked(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // Each release ends at most one park, and releases that meet no park are not stored up for later.
    EXPECT_LE(shared->rounds, 3);
    EXPECT_TRUE(p->Parked());

    p->TerminateAndRelease();
    ASSERT_TRUE(waitUntil([&] { return shared->destroyed.load(); })) << "free-on-terminate did not free";
    WaitForThreads();
}

TEST(ThreadFacility, ReleaseBeforeParkIsNotLost)
{
    auto shared = std::make_shared<Probe::Shared>();
    Probe* p = launch(shared, false);
    p->Release(); // may land before the thread reaches its first park
    ASSERT_TRUE(waitUntil([&] { return shared->rounds == 1; }));
    p->TerminateAndRelease();
    WaitForThreads();
    EXPECT_TRUE(shared->destroyed);
}

TEST(HandOff, RunsOnTheServingThreadAndWaits)
{
    auto shared = std::make_shared<Probe::Shared>();
    Probe* p = launch(shared, true);
    p->Release();
    ASSERT_TRUE(waitUntil([] { return MainThreadQueue::instance().pending() == 1; }));
    EXPECT_EQ(shared->handOffsRun, 0);
    EXPECT_FALSE(p->Parked()) << "the worker must wait in the hand-off";
    EXPECT_TRUE(CheckSynchronize());
    ASSERT_TRUE(waitUntil([&] { return p->Parked(); }));
    EXPECT_EQ(shared->handOffsRun, 1);
    EXPECT_FALSE(CheckSynchronize()) << "nothing left to serve";
    p->TerminateAndRelease();
    WaitForThreads();
}

TEST(HandOff, RevokedCallsNeverRunAndReleaseTheirWorker)
{
    auto shared = std::make_shared<Probe::Shared>();
    Probe* p = launch(shared, true);
    p->Release();
    ASSERT_TRUE(waitUntil([] { return MainThreadQueue::instance().pending() == 1; }));
    MainThreadQueue::instance().revoke(&shared); // another owner: untouched
    EXPECT_EQ(MainThreadQueue::instance().pending(), 1u);
    MainThreadQueue::instance().revoke(p);
    ASSERT_TRUE(waitUntil([&] { return shared->revoked == 1 && p->Parked(); }));
    EXPECT_EQ(shared->handOffsRun, 0);
    p->TerminateAndRelease();
    WaitForThreads();
}

TEST(HandOff, ExceptionReachesTheMainThreadAfterTheWorkerIsFree)
{
    std::atomic<bool> workerBack{false};
    std::thread worker([&] {
        MainThreadQueue::instance().synchronize(&workerBack, [] { throw std::runtime_error("handler"); });
        workerBack = true;
    });
    ASSERT_TRUE(waitUntil([] { return MainThreadQueue::instance().pending() == 1; }));
    EXPECT_THROW(CheckSynchronize(), std::runtime_error);
    worker.join();
    EXPECT_TRUE(workerBack);
}

TEST(HandOff, WaitForThreadsServesStragglers)
{
    // A worker still handing off when the program ends must not hang the final join.
    auto shared = std::make_shared<Probe::Shared>();
    Probe* p = launch(shared, true);
    p->TerminateAndRelease();
    WaitForThreads();
    EXPECT_TRUE(shared->destroyed);
}

} // namespace
} // namespace tervane::test
