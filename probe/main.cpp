// quorail-probe: the one program of Quorail that may hold cap_net_raw. Its parent, the
// echo facility, starts it with a socket on standard input and output. It opens its raw
// ICMP and ICMPv6 sockets, gives up every privilege, marks its start in the user's stamp
// (which sets how much it may send at once), narrows its system calls to those it serves
// with, says "ready" with what it may send at once, and serves echo requests until its
// parent closes the socket. Exit codes: 0 parent gone, 1 failure, 2 a bad request.

#include "ProbePrivileges.h"
#include "ProbeProtocol.h"
#include "ProbeServer.h"
#include "ProbeStartBudget.h"
#include "ProbeSyscallFilter.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

bool Say(const std::string& line)
{
    const std::string text = line + "\n";
    return ::write(STDOUT_FILENO, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

// Only the messages that can answer an echo request reach the socket, each with the
// kernel's receive stamp.
int OpenRawSocket()
{
    const int fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0)
        return -errno;
    icmp_filter filter{~((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) | (1u << ICMP_SOURCE_QUENCH) |
                         (1u << ICMP_TIME_EXCEEDED) | (1u << ICMP_PARAMETERPROB))};
    const int on = 1;
    if (::setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter) != 0 ||
        ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0) {
        const int error = errno;
        ::close(fd);
        return -error;
    }
    return fd;
}

// A standard descriptor started closed would be the next one opened: the raw socket
// would then be read as requests, or answers written onto it.
bool OpenStandardDescriptors()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        if (::open("/dev/null", O_RDWR | O_NOCTTY) != fd)
            return false;
    }
    return true;
}

// The same for ICMPv6; -1 where the machine has no IPv6, which the helper does without.
int OpenRawSocket6()
{
    const int fd = ::socket(AF_INET6, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMPV6);
    if (fd < 0)
        return -1;
    icmp6_filter filter{};
    ICMP6_FILTER_SETBLOCKALL(&filter);
    for (const int type : {ICMP6_ECHO_REPLY, ICMP6_DST_UNREACH, ICMP6_PACKET_TOO_BIG, ICMP6_TIME_EXCEEDED,
                           ICMP6_PARAM_PROB})
        ICMP6_FILTER_SETPASS(type, &filter);
    const int on = 1;
    if (::setsockopt(fd, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter) != 0 ||
        ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

int main()
{
    if (!OpenStandardDescriptors())
        return 1;
    // Nothing but the parent's socket stays open.
    ::syscall(SYS_close_range, 3u, ~0u, 0u);
    ::signal(SIGPIPE, SIG_DFL);
    const int raw = OpenRawSocket();
    const int raw6 = raw >= 0 ? OpenRawSocket6() : -1;
    if (!CProbePrivileges::DropAll()) {
        Say("error " + std::to_string(EPERM));
        return 1;
    }
    if (raw < 0) {
        Say("error " + std::to_string(-raw));
        return 1;
    }
    const double startBudget = CProbeStartBudget::Take();
    CProbeServer server(raw, raw6, startBudget);
    if (!CProbeSyscallFilter::Install()) {
        Say("error " + std::to_string(ENOSYS));
        return 1;
    }
    if (!Say(std::string(win::CProbeProtocol::kReady) + " " + std::to_string(static_cast<int>(startBudget))))
        return 1;
    return server.Run(STDIN_FILENO, STDOUT_FILENO);
}
