// Runs the scripted connect tests in a network namespace of their own, entered before any
// thread starts so that every later thread (the lookup helpers too) shares it: the command
// looks hop addresses up, and there a lookup that misses the hosts file fails at once
// instead of asking the machine's name server. Without root the namespace comes with a
// user namespace that maps the user to itself, where the system allows that. The scripted
// echo module stands in for "ICMP.DLL" from the first trace on.

#include "ConnectTestKit.h"
#include "ScriptedEcho.h"

#include <sched.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace {

bool g_bOwnNetwork = false;

bool WriteProcFile(const std::string& name, const std::string& text)
{
    std::ofstream file("/proc/self/" + name);
    file << text;
    file.close();
    return static_cast<bool>(file);
}

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

} // namespace

bool LookupsStayHere()
{
    return g_bOwnNetwork;
}

int main(int argc, char** argv)
{
    g_bOwnNetwork = EnterOwnNetwork();
    CScriptedEcho::Register();
    return RunOffscreenTests(argc, argv);
}
