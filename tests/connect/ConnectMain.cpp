// Runs the scripted connect tests in a network namespace of their own, entered before any
// thread starts so that every later thread (the lookup helpers too) shares it: the command
// looks hop addresses up, and there a lookup that misses the hosts file fails at once
// instead of asking the machine's name server. Without root the namespace comes with a
// user namespace that maps the user to itself, where the system allows that. In a mount
// namespace of its own the resolver asks a name server on 127.0.0.1, where nothing listens
// (so lookups still fail at once) unless a test holds a lookup with a server that never
// answers. The scripted echo module stands in for "ICMP.DLL" from the first trace on.

#include "ConnectTestKit.h"
#include "OwnNetwork.h"
#include "ScriptedEcho.h"

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include <string>

namespace {

bool g_bOwnNetwork = false;
bool g_bNameServerOnLoopback = false;
// Long, so that a held lookup plainly did not end by itself.
constexpr const char* kResolverConfig = "nameserver 127.0.0.1\noptions timeout:20 attempts:1\n";

bool UseNameServerOnLoopback()
{
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return false;
    char path[] = "/tmp/quorail-connect-resolv.XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0)
        return false;
    const std::size_t length = std::strlen(kResolverConfig);
    const bool written = ::write(fd, kResolverConfig, length) == static_cast<ssize_t>(length);
    ::close(fd);
    const bool mounted = written && ::mount(path, "/etc/resolv.conf", nullptr, MS_BIND, nullptr) == 0;
    ::unlink(path);
    return mounted && BringLoopbackUp();
}

} // namespace

bool LookupsStayHere()
{
    return g_bOwnNetwork;
}

bool NameServerOnLoopback()
{
    return g_bNameServerOnLoopback;
}

int main(int argc, char** argv)
{
    g_bOwnNetwork = EnterOwnNetwork();
    g_bNameServerOnLoopback = g_bOwnNetwork && UseNameServerOnLoopback();
    CScriptedEcho::Register();
    return RunOffscreenTests(argc, argv);
}
