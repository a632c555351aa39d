#include "ShellSpawn.h"

#include "BlockingHook.h"

#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace win {

namespace {

int ExitCode(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return 255;
}

class CSpawnActions {
public:
    CSpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    ~CSpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    CSpawnActions(const CSpawnActions&) = delete;
    CSpawnActions& operator=(const CSpawnActions&) = delete;

    posix_spawn_file_actions_t* Get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

} // namespace

CSpawnResult SpawnProgram(const std::vector<std::string>& argv, const std::string& directory)
{
    CSpawnResult result;
    if (argv.empty() || argv.front().empty()) {
        result.m_error = ENOENT;
        return result;
    }
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const std::string& argument : argv)
        pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);

    CSpawnActions actions;
    posix_spawn_file_actions_addopen(actions.Get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!directory.empty())
        posix_spawn_file_actions_addchdir_np(actions.Get(), directory.c_str());

    result.m_error = posix_spawnp(&result.m_pid, pointers.front(), actions.Get(), nullptr,
                                  pointers.data(), environ);
    if (result.m_error != 0)
        result.m_pid = -1;
    return result;
}

std::optional<int> WaitForExit(pid_t pid, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return ExitCode(status);
        if (done < 0 && errno != EINTR)
            return 255; // someone else collected it; its outcome is unknown
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        // A user interface waiting here keeps painting through the thread's hook.
        CallBlockingHook();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void ReapInBackground(pid_t pid)
{
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

} // namespace win
