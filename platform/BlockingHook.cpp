#include "BlockingHook.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace win {

namespace {
thread_local BLOCKINGHOOKPROC t_hook = nullptr;
thread_local bool t_cancelled = false;
}

BLOCKINGHOOKPROC WSASetBlockingHook(BLOCKINGHOOKPROC hook)
{
    BLOCKINGHOOKPROC previous = t_hook;
    t_hook = hook;
    return previous;
}

int WSAUnhookBlockingHook()
{
    t_hook = nullptr;
    return 0;
}

bool HasBlockingHook()
{
    return t_hook != nullptr;
}

void CallBlockingHook()
{
    if (t_hook != nullptr)
        t_hook();
}

int WSACancelBlockingCall()
{
    t_cancelled = true;
    return 0;
}

bool IsBlockingCallCancelled()
{
    return t_cancelled;
}

void ClearBlockingCallCancel()
{
    t_cancelled = false;
}

namespace {

// What the helper thread shares with the caller; the last of the two to let go frees it.
struct CBlockingWork {
    std::function<void()> m_work;
    std::exception_ptr m_error; // what work threw, passed on to a caller still waiting
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_bDone = false;
};

} // namespace

bool RunBlocking(std::function<void()> work)
{
    if (t_cancelled)
        return false;
    if (!HasBlockingHook()) {
        work();
        return true;
    }
    auto shared = std::make_shared<CBlockingWork>();
    shared->m_work = std::move(work);
    std::thread([shared] {
        try {
            shared->m_work();
        } catch (...) {
            shared->m_error = std::current_exception();
        }
        shared->m_work = nullptr;
        const std::lock_guard<std::mutex> lock(shared->m_mutex);
        shared->m_bDone = true;
        shared->m_done.notify_one();
    }).detach();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(shared->m_mutex);
            if (shared->m_done.wait_for(lock, std::chrono::milliseconds(kBlockingHookIntervalMs),
                                        [&] { return shared->m_bDone; })) {
                if (shared->m_error)
                    std::rethrow_exception(shared->m_error);
                return true;
            }
        }
        CallBlockingHook();
        if (t_cancelled)
            return false;
    }
}

} // namespace win
