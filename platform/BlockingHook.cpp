#include "BlockingHook.h"

#include <chrono>
#include <future>

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

void RunBlocking(const std::function<void()>& work)
{
    if (!HasBlockingHook()) {
        work();
        return;
    }
    std::future<void> done = std::async(std::launch::async, work);
    while (done.wait_for(std::chrono::milliseconds(kBlockingHookIntervalMs)) != std::future_status::ready)
        CallBlockingHook();
    done.get();
}

} // namespace win
