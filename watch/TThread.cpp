// SPDX-License-Identifier: MIT
#include "watch/TThread.h"

#include <cstdio>
#include <exception>
#include <list>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace tervane {

namespace {

// Keeps every launched std::thread until it has been joined. Finished threads are joined lazily, on the
// next launch, so a long session does not accumulate them.
class ThreadRegistry
{
public:
    static ThreadRegistry& instance()
    {
        static ThreadRegistry registry;
        return registry;
    }

    ThreadRegistry() = default;
    ThreadRegistry(const ThreadRegistry&) = delete;
    ThreadRegistry& operator=(const ThreadRegistry&) = delete;

    // Programs end with WaitForThreads(); this is only the last resort for one that did not, so that exit
    // does not abort on a joinable thread.
    ~ThreadRegistry()
    {
        std::lock_guard lock(m_mutex);
        for (auto& e : m_entries) {
            if (e.thread.joinable()) {
                e.thread.detach();
            }
        }
    }

    void add(std::unique_ptr<TThread> owned, void (*body)(TThread*))
    {
        reapFinished();
        std::lock_guard lock(m_mutex);
        auto& entry = m_entries.emplace_back();
        entry.owned = std::move(owned);
        Entry* e = &entry;
        ++m_live;
        entry.thread = std::thread([this, e, body] {
            body(e->owned.get());
            std::unique_ptr<TThread> dying;
            {
                std::lock_guard inner(m_mutex);
                if (e->owned->FreeOnTerminate()) {
                    dying = std::move(e->owned);
                }
            }
            dying.reset(); // the object goes with its thread, outside the lock
            std::lock_guard inner(m_mutex);
            e->finished = true;
            --m_live;
        });
    }

    void joinAll()
    {
        std::list<Entry> entries;
        {
            std::lock_guard lock(m_mutex);
            entries.swap(m_entries);
        }
        for (auto& e : entries) {
            if (e.thread.joinable()) {
                e.thread.join();
            }
        }
    }

    int live()
    {
        std::lock_guard lock(m_mutex);
        return m_live;
    }

private:
    struct Entry
    {
        std::unique_ptr<TThread> owned;
        std::thread thread;
        bool finished = false;
    };

    void reapFinished()
    {
        std::list<Entry> done;
        {
            std::lock_guard lock(m_mutex);
            for (auto it = m_entries.begin(); it != m_entries.end();) {
                auto next = std::next(it);
                if (it->finished) {
                    done.splice(done.end(), m_entries, it);
                }
                it = next;
            }
        }
        for (auto& e : done) {
            e.thread.join();
        }
    }

    std::mutex m_mutex;
    std::list<Entry> m_entries;
    int m_live = 0;
};

int niceFor(TThreadPriority priority)
{
    switch (priority) {
    case TThreadPriority::tpIdle:
        return 19;
    case TThreadPriority::tpLowest:
        return 10;
    case TThreadPriority::tpLower:
        return 5;
    case TThreadPriority::tpNormal:
        return 0;
    case TThreadPriority::tpHigher:
        return -5;
    case TThreadPriority::tpHighest:
        return -10;
    case TThreadPriority::tpTimeCritical:
        return -20;
    }
    return 0;
}

} // namespace

TThread::TThread(bool CreateSuspended) : m_createSuspended(CreateSuspended) {}

void TThread::Launch(std::unique_ptr<TThread> thread)
{
    ThreadRegistry::instance().add(std::move(thread), &TThread::Run);
}

void TThread::Run(TThread* self)
{
    self->m_tid.store(static_cast<int>(::syscall(SYS_gettid)));
    self->applyPriority();
    if (self->m_createSuspended) {
        self->Park();
    }
    try {
        self->Execute();
    } catch (const std::exception& e) {
        // Nothing may leave a thread body; say why it ended where a developer will see it.
        std::fprintf(stderr, "tervane: thread ended by exception: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "tervane: thread ended by an unknown exception\n");
    }
    // Whoever terminated us may still be inside TerminateAndRelease; wait for it before we are freed.
    std::lock_guard quiesce(self->m_parkMutex);
}

void TThread::Release()
{
    // Notify under the lock: a released thread may be terminated and free itself (and this condition
    // variable) as soon as it gets past its park, which it cannot do before we let go of the mutex.
    std::lock_guard lock(m_parkMutex);
    m_released = true;
    m_parkCv.notify_one();
}

void TThread::TerminateAndRelease()
{
    std::lock_guard lock(m_parkMutex);
    m_terminated.store(true, std::memory_order_release);
    m_released = true;
    m_parkCv.notify_one();
}

void TThread::Park()
{
    std::unique_lock lock(m_parkMutex);
    m_parked = true;
    m_parkCv.wait(lock, [this] { return m_released; });
    m_released = false;
    m_parked = false;
}

bool TThread::Parked() const
{
    std::lock_guard lock(m_parkMutex);
    return m_parked;
}

void TThread::SetPriority(TThreadPriority priority)
{
    m_priority.store(priority);
    applyPriority();
}

void TThread::applyPriority()
{
    const int tid = m_tid.load();
    if (tid == 0) {
        return; // applied by the thread itself when it starts
    }
    // Without CAP_SYS_NICE only lowering works; a refused raise leaves the thread at its current level.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceFor(m_priority.load()));
}

HandOffResult TThread::Synchronize(const void* owner, std::function<void()> method)
{
    return MainThreadQueue::instance().synchronize(owner, std::move(method));
}

void WaitForThreads()
{
    // A worker may still be blocked handing a stale call to us; serve (and so finish) those while waiting,
    // or joining it would wait for ever.
    while (ThreadRegistry::instance().live() > 0) {
        try {
            MainThreadQueue::instance().checkSynchronize(std::chrono::milliseconds(5));
        } catch (...) {
            // A handler failure during shutdown has nobody left to report to.
        }
    }
    ThreadRegistry::instance().joinAll();
}

int LiveThreadCount()
{
    return ThreadRegistry::instance().live();
}

} // namespace tervane
