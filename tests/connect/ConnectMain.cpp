// Runs the scripted connect tests in a network namespace of their own, entered before any
// thread starts so that every later thread (the lookup helpers too) shares it: the command
// looks hop addresses up, and there a lookup that misses the hosts file fails at once
// instead of asking the machine's name server. The scripted echo module stands in for
// "ICMP.DLL" from the first trace on.

#include "ConnectTestKit.h"
#include "PacedEcho.h"

#include <sched.h>

namespace {
bool g_bOwnNetwork = false;
}

bool LookupsStayHere()
{
    return g_bOwnNetwork;
}

int main(int argc, char** argv)
{
    g_bOwnNetwork = ::unshare(CLONE_NEWNET) == 0;
    CPacedEcho::Register();
    return RunOffscreenTests(argc, argv);
}
