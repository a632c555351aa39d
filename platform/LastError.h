#pragma once
// The calling thread's last-error value, as Windows keeps it per thread.

#include "WinTypes.h"

namespace win {

DWORD GetLastError();
void SetLastError(DWORD error);

} // namespace win
