// Runs the watch window tests in a network namespace of their own with its loopback up,
// entered before any thread starts, so that the rounds probe 127.0.0.1 there and nothing
// else, and in a mount namespace of their own, where a test may mount a small file system.

#include "ConnectTestKit.h"
#include "OwnNetwork.h"
#include "WatchTestKit.h"

#include <sched.h>
#include <sys/mount.h>

#include <fstream>

namespace {

bool g_bOwnNetwork = false;
bool g_bOwnMounts = false;

// Ping sockets for every group of the namespace, for a run without root.
void AdmitPingSockets()
{
    std::ofstream range("/proc/sys/net/ipv4/ping_group_range");
    range << "0 2147483647";
}

} // namespace

bool LookupsStayHere()
{
    return g_bOwnNetwork;
}

bool NameServerOnLoopback()
{
    return false;
}

bool OwnMounts()
{
    return g_bOwnMounts;
}

int main(int argc, char** argv)
{
    g_bOwnNetwork = EnterOwnNetwork() && BringLoopbackUp();
    if (g_bOwnNetwork) {
        AdmitPingSockets();
    }
    g_bOwnMounts = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return RunOffscreenTests(argc, argv);
}
