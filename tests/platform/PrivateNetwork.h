#pragma once
// Runs a test body in a forked child inside a network namespace of its own: `lo` up with
// 198.18.0.1, and 198.18.0.0/15 routed into `lo` (so it leads nowhere but back into this namespace, where
// nothing answers), and the echo datagram sockets admitted for every group. The child
// prints the body's failures and hands the verdict back through its exit status; the
// namespace dies with it.

#include <functional>
#include <string>

namespace test {

// Empty when the body ran (failures are already reported); otherwise why it could not run.
std::string RunInPrivateNetwork(const std::function<void()>& body);

// Runs a shell command inside the namespace; true when it exited 0.
bool Shell(const std::string& command);
// Writes net.ipv4.ping_group_range, e.g. "0 2147483647" (all) or "1 0" (none).
bool SetPingGroupRange(const std::string& range);

} // namespace test

#define RUN_IN_PRIVATE_NETWORK(body)                                  \
    do {                                                              \
        const std::string skipReason = test::RunInPrivateNetwork(body); \
        if (!skipReason.empty())                                      \
            GTEST_SKIP() << skipReason;                               \
    } while (false)
