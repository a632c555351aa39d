#include "IsolatedNetwork.h"

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

std::string RunInIsolatedNetwork(const std::function<std::string()>& check)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        std::string message = unshare(CLONE_NEWNET) == 0 ? check() : "skip: unshare(CLONE_NEWNET) needs root";
        if (write(pipeFds[1], message.data(), message.size()) < 0)
            _exit(2);
        _exit(0);
    }
    close(pipeFds[1]);
    std::string message;
    char buffer[512];
    ssize_t got;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        message.append(buffer, static_cast<std::size_t>(got));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child crashed: " + message;
    return message;
}
