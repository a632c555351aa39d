#pragma once
// Windows Sockets 1.1's blocking hook: while a blocking call of the stand-ins waits
// (an echo request, a name lookup), it keeps calling the thread's hook, so that a
// user interface on that thread can go on painting. The hook is per thread, as in
// Windows Sockets; without a hook the calls simply block.

#include <functional>

namespace win {

using BLOCKINGHOOKPROC = void (*)();

// Installs the calling thread's hook; returns the previous one (null for none).
BLOCKINGHOOKPROC WSASetBlockingHook(BLOCKINGHOOKPROC hook);
// Removes the calling thread's hook. Returns 0.
int WSAUnhookBlockingHook();

// True while the calling thread has a hook.
bool HasBlockingHook();
// Calls the calling thread's hook once, if it has one.
void CallBlockingHook();
// The longest a blocking wait goes without calling the hook, in ms.
constexpr int kBlockingHookIntervalMs = 10;

// Windows Sockets' WSACancelBlockingCall, called from the hook (for example when the
// user presses Esc): the blocking call in progress on this thread, and every later one
// until ClearBlockingCallCancel, gives up within one hook interval. Returns 0.
int WSACancelBlockingCall();
// True once WSACancelBlockingCall was called on this thread and not yet cleared.
bool IsBlockingCallCancelled();
// Lets this thread's blocking calls wait again; the start of a trace calls it.
void ClearBlockingCallCancel();

// Runs work to its end; false, without waiting for it, when the blocking calls of this
// thread are cancelled. With a hook, work runs on a helper thread while the calling thread
// keeps calling the hook, and a cancel lets the caller go within one hook interval while
// work runs on: work must own everything it touches (capture by value, shared results).
// Without a hook it runs on the calling thread.
bool RunBlocking(std::function<void()> work);

} // namespace win
