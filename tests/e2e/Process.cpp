#include "Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The test's own environment with `added` ("NAME=value") put in place of same-named entries.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& added)
{
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string current(*entry);
        const std::string name = current.substr(0, current.find('='));
        bool replaced = false;
        for (const std::string& extra : added)
            replaced = replaced || extra.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced)
            merged.push_back(current);
    }
    merged.insert(merged.end(), added.begin(), added.end());
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& text : strings)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

int ExitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Spawns argv in a new process group with standard output and error on outFd; the
// program's id, or the negative error number.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment, int outFd,
            int extraFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outFd, 2);
    if (extraFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, extraFd, CProcess::s_nPassedFd);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<std::string> args = argv;
    std::vector<std::string> env = MergedEnvironment(environment);
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argp[0], &actions, &attributes, argp.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return failed != 0 ? -failed : pid;
}

} // namespace

CProcess::~CProcess()
{
    Kill();
}

CProcess::Result CProcess::Run(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                               int timeoutMs)
{
    Result result;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return result;
    CProcess child;
    const pid_t pid = Spawn(argv, environment, pipeFds[1], -1);
    child.m_pid = pid > 0 ? pid : -1;
    close(pipeFds[1]);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    for (;;) {
        pollfd fd{pipeFds[0], POLLIN, 0};
        if (child.m_pid < 0 || poll(&fd, 1, MillisecondsLeft(deadline)) <= 0)
            break;
        const ssize_t count = read(pipeFds[0], buffer, sizeof buffer);
        if (count <= 0)
            break;
        result.m_out.append(buffer, static_cast<std::size_t>(count));
    }
    close(pipeFds[0]);
    if (const std::optional<int> code = child.WaitExit(MillisecondsLeft(deadline)))
        result.m_exitCode = *code;
    return result;
}

bool CProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                     const std::string& logPath, int extraFd)
{
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log < 0) {
        m_startError = logPath + ": " + std::strerror(errno);
        return false;
    }
    const pid_t pid = Spawn(argv, environment, log, extraFd);
    close(log);
    m_exitCode.reset();
    m_startError = pid > 0 ? std::string() : argv.front() + ": " + std::strerror(-pid);
    m_pid = pid > 0 ? pid : -1;
    return m_pid > 0;
}

bool CProcess::IsRunning()
{
    return !WaitExit(0).has_value() && m_pid > 0;
}

std::optional<int> CProcess::WaitExit(int timeoutMs)
{
    if (m_pid <= 0)
        return m_exitCode;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == m_pid) {
            // Children the program left in its group go with it, before its id is freed.
            kill(-m_pid, SIGKILL);
            int status = 0;
            waitpid(m_pid, &status, 0);
            m_pid = -1;
            m_exitCode = ExitCodeOf(status);
            return m_exitCode;
        }
        if (Clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void CProcess::Stop(int graceMs)
{
    if (m_pid <= 0)
        return;
    kill(-m_pid, SIGTERM);
    if (!WaitExit(graceMs).has_value())
        Kill();
}

void CProcess::Kill()
{
    if (m_pid <= 0)
        return;
    kill(-m_pid, SIGKILL);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    m_exitCode = -1;
}
