#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

extern char** environ;

namespace {

// Appends what fd has; false at end of file.
bool Drain(int fd, std::string& text)
{
    char buffer[4096];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count <= 0)
        return false;
    text.append(buffer, static_cast<std::size_t>(count));
    return true;
}

int ExitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

CChildProcess::~CChildProcess()
{
    if (m_pid > 0)
        Stop();
    CloseAll();
}

void CChildProcess::CloseAll()
{
    for (int* fd : {&m_outFd, &m_errFd}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

bool CChildProcess::Spawn(const std::vector<std::string>& argv)
{
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return false;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int result = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    m_outFd = out[0];
    m_errFd = err[0];
    if (result != 0) {
        CloseAll();
        return false;
    }
    m_pid = pid;
    return true;
}

CChildProcess::Result CChildProcess::Run(const std::vector<std::string>& argv)
{
    CChildProcess child;
    Result result;
    if (!child.Spawn(argv))
        return result;
    pollfd fds[2] = {{child.m_outFd, POLLIN, 0}, {child.m_errFd, POLLIN, 0}};
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        poll(fds, 2, -1);
        if (fds[0].revents != 0 && !Drain(fds[0].fd, result.m_out))
            fds[0].fd = -1;
        if (fds[1].revents != 0 && !Drain(fds[1].fd, result.m_err))
            fds[1].fd = -1;
    }
    int status = 0;
    waitpid(child.m_pid, &status, 0);
    child.m_pid = -1;
    result.m_exitCode = ExitCodeOf(status);
    return result;
}

bool CChildProcess::StartAndWaitFor(const std::vector<std::string>& argv, const std::string& line, int timeoutMs)
{
    if (!Spawn(argv))
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string out;
    while (out.find(line + "\n") == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd fd{m_outFd, POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0 || !Drain(m_outFd, out))
            return false;
    }
    return true;
}

std::string CChildProcess::Stop()
{
    std::string err;
    if (m_pid <= 0)
        return err;
    kill(m_pid, SIGTERM);
    while (m_errFd >= 0 && Drain(m_errFd, err)) {
    }
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    CloseAll();
    return err;
}
