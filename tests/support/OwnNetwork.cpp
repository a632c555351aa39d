#include "OwnNetwork.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>

namespace {

bool WriteProcFile(const std::string& name, const std::string& text)
{
    std::ofstream file("/proc/self/" + name);
    file << text;
    file.close();
    return static_cast<bool>(file);
}

} // namespace

bool EnterOwnNetwork()
{
    if (::unshare(CLONE_NEWNET) == 0)
        return true;
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    return ::unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0 && WriteProcFile("setgroups", "deny") &&
           WriteProcFile("uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1") &&
           WriteProcFile("gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
}

bool BringLoopbackUp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return false;
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags |= IFF_UP;
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    ::close(fd);
    return up;
}
