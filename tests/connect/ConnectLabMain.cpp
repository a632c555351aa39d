// Runs the connect tests on the lab's real routers, and only inside the lab's source
// namespace, where no route leads out and names come from the lab's hosts file alone.

#include "ConnectTestKit.h"
#include "LabGuard.h"
#include "ProbeClient.h"

#include <cstdio>

bool LookupsStayHere()
{
    return LabUnsafeReason().empty();
}

bool NameServerOnLoopback()
{
    return false;
}

int main(int argc, char** argv)
{
    const std::string reason = LabUnsafeReason();
    if (!reason.empty()) {
        std::fprintf(stderr, "refusing to run: %s\n", reason.c_str());
        return 1;
    }
    // The test program does not lie where the program would find the helper.
    win::CProbeClient::SetHelperPath(QUORAIL_PROBE);
    return RunOffscreenTests(argc, argv);
}
