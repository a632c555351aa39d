// The test main of every program that probes or looks names up: it runs the tests only
// inside the test network's source namespace.

#include "LabGuard.h"
#include "ProbeClient.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const std::string reason = LabUnsafeReason();
    if (!reason.empty()) {
        std::fprintf(stderr, "refusing to run: %s\n", reason.c_str());
        return 1;
    }
    // The test programs do not lie where the echo facility looks for the helper.
    win::CProbeClient::SetHelperPath(QUORAIL_PROBE);
    return RUN_ALL_TESTS();
}
