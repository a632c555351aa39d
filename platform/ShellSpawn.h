#pragma once
// Starts a program directly from an argument vector (posix_spawnp: PATH search, never a
// shell) and reaps it in the background so that no zombie is left behind. Shared by the
// stand-ins of ShellExecuteA and WinExec.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace win {

struct CSpawnResult {
    int m_error = 0;  // errno of the failed start; 0 when the program started
    pid_t m_pid = -1; // the started process
};

// Starts argv[0] with the given arguments; the working directory is `directory` when not empty.
// Standard input comes from /dev/null.
CSpawnResult SpawnProgram(const std::vector<std::string>& argv, const std::string& directory);

// Waits up to `limit` for the process to end, calling the thread's blocking hook meanwhile. Returns its exit status (a signal's number
// + 128 when it was killed), or nothing when it still runs; it is then reaped later.
std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds limit);

// Leaves the process to run; a background thread collects its exit status.
void ReapInBackground(pid_t pid);

} // namespace win
