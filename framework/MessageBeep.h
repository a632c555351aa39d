#pragma once
// MessageBeep: the system's warning sound, given with a refused key or a failed action. A
// test installs a hook that records the beeps in place of sounding them.

#include "WinDefs.h"

#include <functional>
#include <vector>

using MessageBeepHook = std::function<void(UINT type)>;

// Sounds the beep of type (MB_OK, MB_ICONEXCLAMATION, ...), or hands it to the hook.
void MessageBeep(UINT type);
// Installs (or with an empty function removes) the hook; returns the previous one.
MessageBeepHook SetMessageBeepHook(MessageBeepHook hook);

// Installs a hook for its lifetime and records the type of every beep.
class CMessageBeepHook {
public:
    CMessageBeepHook();
    ~CMessageBeepHook();
    CMessageBeepHook(const CMessageBeepHook&) = delete;
    CMessageBeepHook& operator=(const CMessageBeepHook&) = delete;

    std::vector<UINT> m_beeps;

private:
    MessageBeepHook m_previous;
};
