#include "PrivateNetwork.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

namespace test {

namespace {

constexpr int kUnavailable = 77;
constexpr unsigned kChildAlarmSeconds = 30;

std::string Prepare()
{
    if (::unshare(CLONE_NEWNET) != 0)
        return "unshare(CLONE_NEWNET) failed; needs root or CAP_SYS_ADMIN";
    if (!Shell("ip link set lo up && ip addr add 198.18.0.1/32 dev lo && "
               "ip route add 198.18.0.0/15 dev lo src 198.18.0.1"))
        return "could not set up lo in the private namespace (is iproute2 installed?)";
    if (!SetPingGroupRange("0 2147483647"))
        return "could not write net.ipv4.ping_group_range in the private namespace";
    return {};
}

[[noreturn]] void RunChild(const std::function<void()>& body, int reasonPipe)
{
    ::alarm(kChildAlarmSeconds);
    const std::string reason = Prepare();
    if (!reason.empty()) {
        [[maybe_unused]] const ssize_t written = ::write(reasonPipe, reason.data(), reason.size());
        ::_exit(kUnavailable);
    }
    body();
    std::fflush(stdout);
    ::_exit(testing::Test::HasFailure() ? 1 : 0);
}

std::string ReadAll(int fd)
{
    std::string text;
    char chunk[256];
    for (ssize_t got; (got = ::read(fd, chunk, sizeof chunk)) > 0;)
        text.append(chunk, static_cast<std::size_t>(got));
    return text;
}

} // namespace

bool Shell(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool SetPingGroupRange(const std::string& range)
{
    std::ofstream file("/proc/sys/net/ipv4/ping_group_range");
    file << range << '\n';
    file.close();
    return static_cast<bool>(file);
}

std::string RunInPrivateNetwork(const std::function<void()>& body)
{
    if (::geteuid() != 0)
        return "needs root to create a private network namespace";
    int fds[2];
    if (::pipe(fds) != 0)
        return "pipe failed";
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child < 0)
        return "fork failed";
    if (child == 0) {
        ::close(fds[0]);
        RunChild(body, fds[1]);
    }
    ::close(fds[1]);
    const std::string reason = ReadAll(fds[0]);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == kUnavailable)
        return reason;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the test body failed in its private namespace (status " << status << ")";
    return {};
}

} // namespace test
