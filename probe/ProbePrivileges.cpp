#include "ProbePrivileges.h"

#include <cstdlib>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

bool SetCapabilities(const __user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

bool CProbePrivileges::DropAll()
{
    ::clearenv();
    const gid_t group = ::getgid();
    const uid_t user = ::getuid();
    // Started set-id (the fallback where file capabilities are missing): back to the caller.
    if (::setresgid(group, group, group) != 0 || ::setresuid(user, user, user) != 0)
        return false;
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    const __user_cap_data_struct none[2]{};
    if (!SetCapabilities(none))
        return false;
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    return ::getuid() == ::geteuid() && ::getgid() == ::getegid() && HoldsNone();
}

bool CProbePrivileges::HoldsNone()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (const __user_cap_data_struct& word : data) {
        if (word.effective != 0 || word.permitted != 0 || word.inheritable != 0)
            return false;
    }
    return true;
}
