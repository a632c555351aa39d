#include "ProbeSyscallFilter.h"

#include <cstddef>
#include <cstdint>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <vector>

namespace {

#if defined(__x86_64__)
constexpr unsigned kArchitecture = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr unsigned kArchitecture = AUDIT_ARCH_AARCH64;
#else
constexpr unsigned kArchitecture = 0; // unknown here: the helper runs without a filter
#endif

constexpr unsigned kAllowed[] = {
    SYS_read,  SYS_write,     SYS_recvfrom,      SYS_recvmsg, SYS_sendto, SYS_ppoll, SYS_clock_gettime, SYS_clock_nanosleep,
    SYS_brk,   SYS_mmap,      SYS_munmap,        SYS_mremap, SYS_madvise, SYS_close,       SYS_exit,
    SYS_exit_group, SYS_rt_sigreturn, SYS_restart_syscall,
#ifdef SYS_poll
    SYS_poll,
#endif
};

sock_filter Statement(unsigned short code, unsigned value)
{
    return BPF_STMT(code, value);
}

sock_filter Jump(unsigned short code, unsigned value, unsigned char ifTrue, unsigned char ifFalse)
{
    return BPF_JUMP(code, value, ifTrue, ifFalse);
}

unsigned Argument(int index)
{
    return static_cast<unsigned>(offsetof(seccomp_data, args) + index * sizeof(std::uint64_t));
}

} // namespace

bool CProbeSyscallFilter::Install()
{
    if (kArchitecture == 0)
        return true;
    std::vector<sock_filter> program;
    program.push_back(Statement(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
    program.push_back(Jump(BPF_JMP | BPF_JEQ | BPF_K, kArchitecture, 1, 0));
    program.push_back(Statement(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS));
    program.push_back(Statement(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
    for (const unsigned call : kAllowed) {
        program.push_back(Jump(BPF_JMP | BPF_JEQ | BPF_K, call, 0, 1));
        program.push_back(Statement(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    }
    // setsockopt(fd, IPPROTO_IP, IP_TTL, ...) and setsockopt(fd, IPPROTO_IPV6,
    // IPV6_UNICAST_HOPS, ...) alone, on the low words of the arguments (both are ints; both
    // architectures above are little-endian). Jumps count the instructions they skip.
    program.push_back(Jump(BPF_JMP | BPF_JEQ | BPF_K, SYS_setsockopt, 0, 8));   // else kill
    program.push_back(Statement(BPF_LD | BPF_W | BPF_ABS, Argument(1)));
    program.push_back(Jump(BPF_JMP | BPF_JEQ | BPF_K, IPPROTO_IP, 0, 2));       // else IPv6?
    program.push_back(Statement(BPF_LD | BPF_W | BPF_ABS, Argument(2)));
    program.push_back(Jump(BPF_JMP | BPF_JEQ | BPF_K, IP_TTL, 3, 4));           // allow, kill
    program.push_back(Jump(BPF_JMP | BPF_JEQ | BPF_K, IPPROTO_IPV6, 0, 3));     // else kill
    program.push_back(Statement(BPF_LD | BPF_W | BPF_ABS, Argument(2)));
    program.push_back(Jump(BPF_JMP | BPF_JEQ | BPF_K, IPV6_UNICAST_HOPS, 0, 1)); // allow, kill
    program.push_back(Statement(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    program.push_back(Statement(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS));
    const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
    return ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter, 0, 0) == 0;
}
