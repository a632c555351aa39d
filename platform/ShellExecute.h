#pragma once
// Stand-in for the shell's ShellExecuteA: the "open" verb hands the file or URL to
// xdg-open, started directly (never through a shell). The call returns promptly: it waits
// a bounded time for xdg-open's verdict and counts a still-running xdg-open as success.
//
// Results follow the shell's convention, a value above 32 is success:
//   xdg-open exit 0, or still running after the wait ...... 42
//   exit 1 (syntax error: the name could not be taken) .... SE_ERR_FNF (2)
//   exit 2 (the file does not exist) ...................... SE_ERR_FNF (2)
//   exit 3 (no tool to open it), exit 4 (action failed),
//   any other exit or signal, xdg-open not installed ...... SE_ERR_NOASSOC (31)
//   no file, or a file name that is empty ................. SE_ERR_FNF (2)
//   a working directory that does not exist ............... SE_ERR_PNF (3)
//   a verb other than "open" (or none) .................... SE_ERR_NOASSOC (31)
//   the process could not be created (memory, limits) ..... SE_ERR_OOM (8)
// The parameters are not passed on: xdg-open opens documents and URLs, not programs.

#include "WinTypes.h"

#include <chrono>

namespace win {

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_SHARE = 26;
constexpr int SE_ERR_ASSOCINCOMPLETE = 27;
constexpr int SE_ERR_NOASSOC = 31;
constexpr int SHELL_OPEN_SUCCESS = 42;

// `owner` is the owning window (unused here); `verb` null means "open".
int ShellExecuteA(void* owner, const char* verb, const char* file, const char* parameters,
                  const char* directory, int showCmd);

// How long ShellExecuteA waits for xdg-open before it counts the open as done.
std::chrono::milliseconds GetShellOpenWait();
void SetShellOpenWait(std::chrono::milliseconds wait);

} // namespace win
