#pragma once
// Windows' alertable wait, SleepEx(ms, TRUE): the only place where the calling thread's
// asynchronous operations (echo requests, name lookups) make progress and run their
// completion routines, on this thread. It calls the blocking hook while it waits and
// returns early once the blocking call is cancelled (BlockingHook.h).

#include "AlertableSource.h"
#include "WinTypes.h"

namespace win {

constexpr DWORD WAIT_IO_COMPLETION = 0xC0;

// Registers a source for the calling thread's alertable waits; it must live as long as
// the thread (a thread-local object).
void AddAlertableSource(CAlertableSource* source);

// Waits up to milliseconds. Alertable: returns WAIT_IO_COMPLETION as soon as completion
// routines ran, else 0 when the time is up or the blocking call was cancelled.
DWORD SleepEx(DWORD milliseconds, BOOL alertable);

} // namespace win
