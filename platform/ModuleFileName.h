#pragma once
// Stand-in for GetModuleFileNameA: the main module's path is the executable behind
// /proc/self/exe; registered module tables (Modules.h) have no file.

#include "Modules.h"
#include "WinTypes.h"

namespace win {

constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;

// Copies the path of `module` (null: the program) into `buffer` of `size` bytes and
// returns its length without the terminator. A path that does not fit is cut to size - 1
// characters and terminated; the result is then `size` with ERROR_INSUFFICIENT_BUFFER.
// 0 with the last error set on failure.
DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size);

} // namespace win
