// Where echo handles get their sockets: kept sockets are trusted only for the trust period
// and only by their own process, network namespace and user.

#include "EchoSocketPool.h"
#include "IcmpApi.h"
#include "LastError.h"
#include "PrivateNetwork.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <sched.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using win::CEchoSocket;
using win::CEchoSocketPool;

namespace {

constexpr auto kTrust = 100ms;

std::shared_ptr<CEchoSocket> Take(CEchoSocketPool& pool)
{
    int error = 0;
    std::shared_ptr<CEchoSocket> socket = pool.Take(error);
    EXPECT_TRUE(socket) << "errno " << error;
    return socket;
}

DWORD PingLoopback()
{
    const HANDLE handle = win::IcmpCreateFile();
    if (handle == INVALID_HANDLE_VALUE)
        return win::GetLastError();
    const BYTE data[32] = {};
    BYTE reply[60];
    win::SetLastError(0);
    const DWORD count = win::IcmpSendEcho(handle, ::inet_addr("127.0.0.1"), data, sizeof data, nullptr, reply,
                                          sizeof reply, 1000);
    const DWORD error = count == 1 ? 0 : win::GetLastError();
    win::IcmpCloseHandle(handle);
    return error;
}

} // namespace

TEST(EchoSocketPoolTest, KeepsFewUnsharedSocketsForTheTrustPeriod)
{
    RUN_IN_PRIVATE_NETWORK([] {
        CEchoSocketPool pool(kTrust);
        std::shared_ptr<CEchoSocket> socket = Take(pool);
        CEchoSocket* const first = socket.get();
        pool.Give(std::move(socket));
        EXPECT_EQ(Take(pool).get(), first) << "handed out again";

        // A socket that a request on another thread still uses is not kept.
        socket = Take(pool);
        const std::shared_ptr<CEchoSocket> inUse = socket;
        pool.Give(std::move(socket));
        EXPECT_EQ(pool.Kept(), 0u);

        std::vector<std::shared_ptr<CEchoSocket>> many;
        for (int i = 0; i < 6; ++i)
            many.push_back(Take(pool));
        for (auto& kept : many)
            pool.Give(std::move(kept));
        EXPECT_EQ(pool.Kept(), CEchoSocketPool::kCapacity);

        std::this_thread::sleep_for(kTrust);
        EXPECT_NE(Take(pool).get(), many.front().get());
        EXPECT_EQ(pool.Kept(), 0u) << "out-of-date sockets are closed";
    });
}

TEST(EchoSocketPoolTest, ChangedPingGroupRangeHoldsATrustPeriodLater)
{
    RUN_IN_PRIVATE_NETWORK([] {
        CEchoSocketPool pool(kTrust);
        ASSERT_TRUE(test::SetPingGroupRange("1 0"));
        std::shared_ptr<CEchoSocket> socket = Take(pool);
        EXPECT_EQ(socket->Kind(), CEchoSocket::EKind::Raw);
        socket.reset();
        ASSERT_TRUE(test::SetPingGroupRange("0 2147483647"));
        std::this_thread::sleep_for(kTrust);
        socket = Take(pool);
        EXPECT_EQ(socket->Kind(), CEchoSocket::EKind::Datagram) << "the refusal is forgotten";
        pool.Give(std::move(socket));

        ASSERT_TRUE(test::SetPingGroupRange("1 0"));
        std::this_thread::sleep_for(kTrust);
        EXPECT_EQ(Take(pool)->Kind(), CEchoSocket::EKind::Raw) << "the kept ping socket is not handed out";
    });
}

TEST(EchoSocketPoolTest, KeptSocketsStayWithTheirProcessNetworkAndUser)
{
    RUN_IN_PRIVATE_NETWORK([] {
        // A child of the process opens its own socket.
        ASSERT_EQ(PingLoopback(), 0u);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int error = 0;
            const auto socket = CEchoSocketPool::Instance().Take(error);
            ::_exit(socket && socket->Origin().m_pid == ::getpid() ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child got its parent's socket";

        // A socket of the namespace left behind would still reach that namespace's loopback.
        ASSERT_EQ(::unshare(CLONE_NEWNET), 0);
        EXPECT_EQ(PingLoopback(), IP_DEST_NET_UNREACHABLE) << "loopback of the new namespace is down";

        // A process that gave up root gets no raw socket kept from before.
        ASSERT_TRUE(test::Shell("ip link set lo up"));
        ASSERT_TRUE(test::SetPingGroupRange("1 0"));
        ASSERT_EQ(PingLoopback(), 0u);
        ASSERT_EQ(::setgid(65534), 0);
        ASSERT_EQ(::setuid(65534), 0);
        EXPECT_EQ(PingLoopback(), ERROR_ACCESS_DENIED);
    });
}
