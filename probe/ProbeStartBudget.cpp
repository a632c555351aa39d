#include "ProbeStartBudget.h"

#include "ProbeProtocol.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

constexpr long kFuseMagic = 0x65735546; // a file system its user serves, times and all

double SecondsSince(const timespec& then)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec - then.tv_sec) + static_cast<double>(now.tv_nsec - then.tv_nsec) / 1e9;
}

// Opens the stamp, creating it where it is missing; since: the moment it stands for.
int OpenStamp(const std::string& folder, const std::string& path, timespec& since)
{
    constexpr int kFlags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int fd = ::open(path.c_str(), kFlags);
    if (fd >= 0 || errno != ENOENT)
        return fd;
    // Removing the stamp changed the folder: its change time is then no earlier than that.
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0)
        return -1;
    since = status.st_ctim;
    fd = ::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0600);
    return fd;
}

} // namespace

double CProbeStartBudget::Take()
{
    const std::string folder = Folder();
    const std::string name = folder == "/tmp" ? "/quorail-probe-" + std::to_string(::getuid()) + ".stamp"
                                              : "/quorail-probe.stamp";
    return Take(folder, folder + name);
}

double CProbeStartBudget::Take(const std::string& folder, const std::string& path)
{
    timespec since{-1, 0};
    const int fd = OpenStamp(folder, path, since);
    if (fd < 0)
        return 0;
    struct stat status {};
    struct statfs system {};
    const bool usable = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::getuid() &&
                        ::fstatfs(fd, &system) == 0 && system.f_type != kFuseMagic;
    if (since.tv_sec < 0)
        since = status.st_ctim;
    const bool marked = usable && ::futimens(fd, nullptr) == 0;
    ::close(fd);
    return marked ? Budget(SecondsSince(since)) : 0;
}

// The user's runtime folder where it is theirs, else the shared temporary folder.
std::string CProbeStartBudget::Folder()
{
    const std::string own = "/run/user/" + std::to_string(::getuid());
    struct stat status {};
    if (::lstat(own.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::getuid())
        return own;
    return "/tmp";
}

// A stamp from the future: only the clock set back by root gets there.
double CProbeStartBudget::Budget(double secondsSinceStart)
{
    constexpr double kMost = win::CProbeProtocol::kMaxInFlight;
    if (secondsSinceStart < 0)
        return kMost;
    return std::min(kMost, secondsSinceStart * win::CProbeProtocol::kMaxPerSecond);
}
