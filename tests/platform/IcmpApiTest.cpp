// The echo facility on real sockets, each test in a private network namespace, run for
// both socket kinds: the datagram kind where ping_group_range admits us, else the raw one.

#include "BlockingHook.h"
#include "CraftedPackets.h"
#include "EchoHandleTable.h"
#include "EchoSocket.h"
#include "IcmpPacket.h"
#include "HopResultArray.h"
#include "IcmpApi.h"
#include "LastError.h"
#include "PrivateNetwork.h"
#include "RouteTracer.h"
#include "ScriptedPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace test;
using Clock = std::chrono::steady_clock;
using win::CEchoSocket;

namespace {

// How far past its deadline a wait may end on a busy machine.
constexpr long kDeadlineSlackMs = 20;

struct CEchoCall {
    DWORD m_count = 0;
    DWORD m_error = 0;
    win::ICMP_ECHO_REPLY m_record{};
    Bytes m_data;
    Clock::duration m_elapsed{};
};

CEchoCall Echo(HANDLE handle, const std::string& address, DWORD timeoutMs, WORD dataSize = 32,
               DWORD replySize = 60, BYTE ttl = 64)
{
    const Bytes request(dataSize, 'E');
    Bytes buffer(replySize, 0xCC);
    win::IP_OPTION_INFORMATION options{};
    options.Ttl = ttl;
    CEchoCall call;
    win::SetLastError(0);
    const auto start = Clock::now();
    call.m_count = win::IcmpSendEcho(handle, Address(address), dataSize > 0 ? request.data() : nullptr, dataSize,
                                     &options, buffer.data(), replySize, timeoutMs);
    call.m_elapsed = Clock::now() - start;
    call.m_error = win::GetLastError();
    if (call.m_count == 1) {
        std::memcpy(&call.m_record, buffer.data(), sizeof call.m_record);
        const auto data = buffer.begin() + call.m_record.DataOffset;
        call.m_data.assign(data, data + call.m_record.DataSize);
    }
    return call;
}

long Ms(Clock::duration duration)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count());
}

// A request to a silent target ends with a time-out at its deadline, not before it and
// not much after it.
void ExpectTimeoutAtTheDeadline(HANDLE handle, const std::string& address, DWORD timeoutMs)
{
    const CEchoCall call = Echo(handle, address, timeoutMs);
    EXPECT_EQ(call.m_count, 0u);
    EXPECT_EQ(call.m_error, IP_REQ_TIMED_OUT);
    EXPECT_GE(Ms(call.m_elapsed), static_cast<long>(timeoutMs));
    EXPECT_LT(Ms(call.m_elapsed), static_cast<long>(timeoutMs) + kDeadlineSlackMs);
}

class IcmpApiTest : public testing::TestWithParam<CEchoSocket::EKind> {
protected:
    // Runs the body with ping_group_range set so that IcmpCreateFile picks the kind under test.
    void RunForKind(const std::function<void(HANDLE)>& body)
    {
        const CEchoSocket::EKind kind = GetParam();
        RUN_IN_PRIVATE_NETWORK([&] {
            ASSERT_TRUE(SetPingGroupRange(kind == CEchoSocket::EKind::Datagram ? "0 2147483647" : "1 0"));
            int error = 0;
            const auto probe = CEchoSocket::Open(error);
            ASSERT_TRUE(probe) << "errno " << error;
            ASSERT_EQ(probe->Kind(), kind);
            const HANDLE handle = win::IcmpCreateFile();
            ASSERT_NE(handle, INVALID_HANDLE_VALUE) << win::GetLastError();
            body(handle);
            EXPECT_TRUE(win::IcmpCloseHandle(handle));
        });
    }
};

std::string KindName(const testing::TestParamInfo<CEchoSocket::EKind>& info)
{
    return info.param == CEchoSocket::EKind::Datagram ? "Datagram" : "Raw";
}

} // namespace

TEST_P(IcmpApiTest, PingsLoopbackAndCopiesWhatFitsOfTheEchoedData)
{
    RunForKind([](HANDLE handle) {
        const CEchoCall full = Echo(handle, "127.0.0.1", 2000);
        ASSERT_EQ(full.m_count, 1u) << full.m_error;
        EXPECT_EQ(full.m_record.Status, IP_SUCCESS);
        EXPECT_EQ(full.m_record.Address, Address("127.0.0.1"));
        EXPECT_EQ(full.m_record.DataOffset, 28u);
        // The last two bytes went out as the word that keeps every request's checksum.
        ASSERT_EQ(full.m_data.size(), 32u);
        EXPECT_EQ(Bytes(full.m_data.begin(), full.m_data.end() - 2), Bytes(30, 'E'));
        EXPECT_LT(full.m_record.RoundTripTime, 50u);
        EXPECT_EQ(full.m_record.OptionsTtl, 64);

        const CEchoCall small = Echo(handle, "127.0.0.1", 2000, 32, 36);
        ASSERT_EQ(small.m_count, 1u) << small.m_error;
        EXPECT_EQ(small.m_data, Bytes(8, 'E'));

        const CEchoCall empty = Echo(handle, "127.0.0.1", 2000, 0, 36);
        ASSERT_EQ(empty.m_count, 1u) << empty.m_error;
        EXPECT_EQ(empty.m_record.DataSize, 0u);
    });
}

TEST_P(IcmpApiTest, SilentTargetTimesOutAtTheDeadline)
{
    RunForKind([](HANDLE handle) {
        ExpectTimeoutAtTheDeadline(handle, "198.18.99.1", 300);
    });
}

TEST_P(IcmpApiTest, RouterErrorsGiveTheirStatusAndSenderOnOneHandle)
{
    struct CCase {
        BYTE m_type;
        BYTE m_code;
        DWORD m_status;
    };
    std::vector<CCase> cases = {
        {11, 0, IP_TTL_EXPIRED_TRANSIT},  {3, 1, IP_DEST_HOST_UNREACHABLE}, {3, 0, IP_DEST_NET_UNREACHABLE},
        {3, 13, IP_DEST_HOST_UNREACHABLE}, {12, 0, IP_PARAM_PROBLEM},
    };
    // Linux passes reassembly time-outs and source quenches to raw sockets only.
    if (GetParam() == CEchoSocket::EKind::Raw)
        cases.insert(cases.end(), {{11, 1, IP_TTL_EXPIRED_REASSEM}, {4, 0, IP_SOURCE_QUENCH}});
    const std::vector<CCase>& kCases = cases;
    RunForKind([&](HANDLE handle) {
        const IPAddr router = Address("198.18.0.254");
        std::atomic<std::size_t> next{0};
        CScriptedPeer peer([&](const Bytes& request) -> std::vector<CPeerPacket> {
            const std::size_t index = next++;
            if (index >= kCases.size())
                return {{0ms, CScriptedPeer::ReplyTo(request)}};
            return {{0ms, CScriptedPeer::ErrorAbout(request, kCases[index].m_type, kCases[index].m_code, router)}};
        });
        ASSERT_TRUE(peer.Ready());
        for (const CCase& c : kCases) {
            const CEchoCall call = Echo(handle, "198.18.99.1", 2000);
            ASSERT_EQ(call.m_count, 1u) << "type " << int(c.m_type) << " code " << int(c.m_code) << ": "
                                        << call.m_error;
            EXPECT_EQ(call.m_record.Status, c.m_status);
            EXPECT_EQ(call.m_record.Address, router);
            EXPECT_EQ(call.m_record.DataSize, 0u);
        }
        // A pending error of the last answer must not spoil the next request on the handle.
        const CEchoCall reply = Echo(handle, "198.18.99.1", 2000);
        ASSERT_EQ(reply.m_count, 1u) << reply.m_error;
        EXPECT_EQ(reply.m_record.Status, IP_SUCCESS);
        EXPECT_EQ(reply.m_record.Address, Address("198.18.99.1"));
    });
}

TEST_P(IcmpApiTest, NoiseIsNoAnswerAndTheWaitGoesOn)
{
    RunForKind([](HANDLE handle) {
        std::atomic<int> requests{0};
        CScriptedPeer peer([&](const Bytes& request) -> std::vector<CPeerPacket> {
            const std::size_t header = static_cast<std::size_t>(request[0] & 0x0F) * 4;
            const WORD id = win::CIcmpPacket::ReadWord(request, header + 4);
            const WORD seq = win::CIcmpPacket::ReadWord(request, header + 6);
            const IPAddr target = Address("198.18.99.1");
            const IPAddr local = Address("198.18.0.1");
            Bytes corrupt = CScriptedPeer::ReplyTo(request);
            corrupt.back() ^= 0x01;
            const Bytes otherRequest = IpPacket(local, target, IPPROTO_ICMP, EchoRequest(id, seq + 1, Bytes(32, 'E')));
            std::vector<CPeerPacket> noise = {
                {0ms, IpPacket(target, local, IPPROTO_ICMP, EchoReply(id, seq - 1, Bytes(32, 'E')))},
                {0ms, IpPacket(target, local, IPPROTO_ICMP, EchoReply(id + 1, seq, Bytes(32, 'E')))},
                {0ms, corrupt},
                {0ms, CScriptedPeer::ErrorAbout(otherRequest, 11, 0, Address("198.18.0.254"))},
                {0ms, CScriptedPeer::ErrorAbout(request, 5, 1, Address("198.18.0.254"))},
            };
            if (requests++ == 0)
                noise.push_back({80ms, CScriptedPeer::ReplyTo(request)});
            return noise;
        });
        ASSERT_TRUE(peer.Ready());
        const CEchoCall answered = Echo(handle, "198.18.99.1", 2000);
        ASSERT_EQ(answered.m_count, 1u) << answered.m_error;
        EXPECT_EQ(answered.m_record.Status, IP_SUCCESS);
        EXPECT_EQ(answered.m_record.Address, Address("198.18.99.1"));
        EXPECT_GE(answered.m_record.RoundTripTime, 78u);
        EXPECT_LT(answered.m_record.RoundTripTime, 120u);

        ExpectTimeoutAtTheDeadline(handle, "198.18.99.1", 300);
    });
}

TEST_P(IcmpApiTest, LateErrorAboutAnEarlierRequestSpoilsNeitherSendNorWait)
{
    RunForKind([](HANDLE handle) {
        std::atomic<int> requests{0};
        CScriptedPeer peer([&](const Bytes& request) -> std::vector<CPeerPacket> {
            if (requests++ == 0)
                return {{150ms, CScriptedPeer::ErrorAbout(request, 3, 1, Address("198.18.0.254"))}};
            return {{20ms, CScriptedPeer::ReplyTo(request)}};
        });
        ASSERT_TRUE(peer.Ready());
        EXPECT_EQ(Echo(handle, "198.18.99.1", 100).m_error, IP_REQ_TIMED_OUT);
        std::this_thread::sleep_for(100ms);
        const CEchoCall next = Echo(handle, "198.18.99.1", 2000);
        ASSERT_EQ(next.m_count, 1u) << next.m_error;
        EXPECT_EQ(next.m_record.Status, IP_SUCCESS);
        EXPECT_EQ(peer.RequestsSeen(), 2);
    });
}

TEST_P(IcmpApiTest, LocalRouteFailuresAreReportedAtOnce)
{
    RunForKind([](HANDLE handle) {
        ASSERT_TRUE(Shell("ip route add unreachable 198.18.200.0/24 && ip route add blackhole 198.18.201.0/24"));
        const CEchoCall unreachable = Echo(handle, "198.18.200.1", 2000);
        EXPECT_EQ(unreachable.m_count, 0u);
        EXPECT_EQ(unreachable.m_error, IP_DEST_HOST_UNREACHABLE);
        const CEchoCall blackhole = Echo(handle, "198.18.201.1", 2000);
        EXPECT_EQ(blackhole.m_count, 0u);
        EXPECT_EQ(blackhole.m_error, IP_GENERAL_FAILURE);
        EXPECT_LT(Ms(unreachable.m_elapsed + blackhole.m_elapsed), 100);
    });
}

TEST_P(IcmpApiTest, ReusedSocketHandsNoStaleAnswerToTheNextHandle)
{
    RunForKind([](HANDLE) {
        // The first request times out; an error about it comes while its socket is kept,
        // a late reply during the next request's wait, and the next request's own reply
        // only after that (the peer answers one request after the other).
        std::atomic<int> requests{0};
        CScriptedPeer peer([&](const Bytes& request) -> std::vector<CPeerPacket> {
            if (requests++ == 0)
                return {{80ms, CScriptedPeer::ErrorAbout(request, 11, 0, Address("198.18.0.254"))},
                        {200ms, CScriptedPeer::ReplyTo(request)}};
            return {{50ms, CScriptedPeer::ReplyTo(request)}};
        });
        ASSERT_TRUE(peer.Ready());
        const HANDLE first = win::IcmpCreateFile();
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        const auto firstSocket = win::CEchoHandleTable::Instance().Find(first).get();
        EXPECT_EQ(Echo(first, "198.18.99.1", 50).m_error, IP_REQ_TIMED_OUT);
        std::this_thread::sleep_for(50ms);
        ASSERT_TRUE(win::IcmpCloseHandle(first));
        const HANDLE next = win::IcmpCreateFile();
        ASSERT_NE(next, INVALID_HANDLE_VALUE);
        EXPECT_EQ(win::CEchoHandleTable::Instance().Find(next).get(), firstSocket) << "the closed socket is reused";
        const CEchoCall call = Echo(next, "198.18.99.1", 2000);
        ASSERT_EQ(call.m_count, 1u) << call.m_error;
        EXPECT_EQ(call.m_record.Status, IP_SUCCESS);
        EXPECT_GE(call.m_record.RoundTripTime, 130u) << "the stale reply came about 100 ms into the wait";
        EXPECT_EQ(peer.RequestsSeen(), 2);
        EXPECT_TRUE(win::IcmpCloseHandle(next));
    });
}

TEST_P(IcmpApiTest, OptionsOfOneRequestDoNotStickToTheNext)
{
    RunForKind([](HANDLE handle) {
        std::mutex lock;
        std::vector<std::string> seen; // each request's header size, TOS, DF flag and TTL
        CScriptedPeer peer([&](const Bytes& request) -> std::vector<CPeerPacket> {
            std::lock_guard<std::mutex> guard(lock);
            seen.push_back(std::to_string((request[0] & 0x0F) * 4) + " tos " + std::to_string(request[1]) +
                           ((request[6] & 0x40) != 0 ? " DF" : "") + " ttl " + std::to_string(request[8]));
            return {{0ms, CScriptedPeer::ReplyTo(request)}};
        });
        ASSERT_TRUE(peer.Ready());
        BYTE ipOptions[4] = {1, 1, 1, 0}; // no-operation thrice, end of list
        const auto send = [&](const win::IP_OPTION_INFORMATION* options) {
            const Bytes data(32, 'E');
            Bytes reply(60);
            win::SetLastError(0);
            const DWORD count = win::IcmpSendEcho(handle, Address("198.18.99.1"), data.data(), 32, options,
                                                  reply.data(), 60, 2000);
            return count == 1 ? DWORD{0} : win::GetLastError();
        };
        win::IP_OPTION_INFORMATION all{};
        all.Ttl = 7;
        all.Tos = 0x10;
        all.Flags = 0x02;
        all.OptionsSize = sizeof ipOptions;
        all.OptionsData = ipOptions;
        win::IP_OPTION_INFORMATION ttl9{};
        ttl9.Ttl = 9;
        win::IP_OPTION_INFORMATION ttl0{};
        EXPECT_EQ(send(&all), 0u);
        EXPECT_EQ(send(nullptr), 0u);
        EXPECT_EQ(send(&ttl9), 0u);
        EXPECT_EQ(send(&ttl0), IP_BAD_OPTION);
        EXPECT_EQ(send(&ttl9), 0u);
        std::lock_guard<std::mutex> guard(lock);
        const std::vector<std::string> expected = {"24 tos 16 DF ttl 7", "20 tos 0 ttl 64", "20 tos 0 ttl 9",
                                                   "20 tos 0 ttl 9"};
        EXPECT_EQ(seen, expected);
    });
}

namespace {
std::vector<Clock::time_point> g_hookCalls;
std::chrono::milliseconds g_hookWork{0};

void RecordingHook()
{
    g_hookCalls.push_back(Clock::now());
    std::this_thread::sleep_for(g_hookWork);
}
} // namespace

TEST_P(IcmpApiTest, BlockingHookRunsThroughTheWaitWithoutInflatingTheRoundTrip)
{
    RunForKind([](HANDLE handle) {
        win::WSASetBlockingHook(&RecordingHook);
        const CEchoCall silent = Echo(handle, "198.18.99.1", 200);
        EXPECT_EQ(silent.m_error, IP_REQ_TIMED_OUT);
        EXPECT_LT(Ms(silent.m_elapsed), 200 + kDeadlineSlackMs);
        // The median gap shows the wait's rhythm; the longest only bounds a busy machine's stalls.
        ASSERT_GE(g_hookCalls.size(), 8u);
        std::vector<long> gaps;
        for (std::size_t i = 1; i < g_hookCalls.size(); ++i)
            gaps.push_back(Ms(g_hookCalls[i] - g_hookCalls[i - 1]));
        std::sort(gaps.begin(), gaps.end());
        EXPECT_LE(gaps[gaps.size() / 2], win::kBlockingHookIntervalMs + 5);
        EXPECT_LE(gaps.back(), 60);

        // A slow hook (60 ms) runs from about 80 ms to 140 ms; the answer comes at 100 ms.
        CScriptedPeer peer([](const Bytes& request) -> std::vector<CPeerPacket> {
            return {{100ms, CScriptedPeer::ReplyTo(request)}};
        });
        ASSERT_TRUE(peer.Ready());
        g_hookWork = 60ms;
        const CEchoCall answered = Echo(handle, "198.18.99.1", 2000);
        win::WSAUnhookBlockingHook();
        ASSERT_EQ(answered.m_count, 1u) << answered.m_error;
        EXPECT_GE(answered.m_record.RoundTripTime, 98u);
        EXPECT_LT(answered.m_record.RoundTripTime, 125u);
    });
}

TEST_P(IcmpApiTest, TraceEngineFollowsARouterPathToTheTarget)
{
    RunForKind([](HANDLE) {
        CScriptedPeer peer([](const Bytes& request) -> std::vector<CPeerPacket> {
            const BYTE ttl = request[8];
            const IPAddr router = Address("198.18." + std::to_string(ttl) + ".1");
            if (ttl <= 2)
                return {{0ms, CScriptedPeer::ErrorAbout(request, 11, 0, router)}};
            return {{0ms, CScriptedPeer::ReplyTo(request)}};
        });
        ASSERT_TRUE(peer.Ready());
        // The sequential schedule sends no probe past the target; the parallel one sends
        // every TTL's at once and drops the answers past the target.
        for (const auto schedule : {CRouteTracer::ESchedule::Sequential, CRouteTracer::ESchedule::Parallel}) {
            CRouteTracer tracer;
            tracer.SetSchedule(schedule);
            CHopResultArray hops;
            ASSERT_TRUE(tracer.Trace("198.18.99.7", hops, 30, 2000, 3)) << win::GetLastError();
            ASSERT_EQ(hops.GetSize(), 3u);
            EXPECT_EQ(hops[0].Address, Address("198.18.1.1"));
            EXPECT_EQ(hops[1].Address, Address("198.18.2.1"));
            EXPECT_EQ(hops[2].Address, Address("198.18.99.7"));
            for (std::size_t i = 0; i < 3; ++i)
                EXPECT_EQ(hops[i].dwError, 0u) << i;
            if (schedule == CRouteTracer::ESchedule::Sequential) {
                EXPECT_EQ(peer.RequestsSeen(), 9);
            }
        }
    });
}

INSTANTIATE_TEST_SUITE_P(BothKinds, IcmpApiTest,
                         testing::Values(CEchoSocket::EKind::Datagram, CEchoSocket::EKind::Raw), KindName);

TEST(IcmpApiHandleTest, ArgumentsAndHandlesAreChecked)
{
    RUN_IN_PRIVATE_NETWORK([] {
        Bytes buffer(60);
        const Bytes data(32, 'E');
        const IPAddr loopback = Address("127.0.0.1");
        const auto send = [&](HANDLE handle, const void* request, void* reply, DWORD replySize) {
            win::SetLastError(0);
            return win::IcmpSendEcho(handle, loopback, request, 32, nullptr, reply, replySize, 2000);
        };
        EXPECT_EQ(send(nullptr, data.data(), nullptr, 60), 0u);
        EXPECT_EQ(win::GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_EQ(send(nullptr, data.data(), buffer.data(), 27), 0u);
        EXPECT_EQ(win::GetLastError(), IP_BUF_TOO_SMALL);
        EXPECT_EQ(send(nullptr, nullptr, buffer.data(), 60), 0u);
        EXPECT_EQ(win::GetLastError(), ERROR_INVALID_PARAMETER);

        const HANDLE handle = win::IcmpCreateFile();
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        // Without options the request goes out with the system's TTL.
        EXPECT_EQ(send(handle, data.data(), buffer.data(), 60), 1u);
        EXPECT_TRUE(win::IcmpCloseHandle(handle));
        EXPECT_FALSE(win::IcmpCloseHandle(handle));
        EXPECT_EQ(send(handle, data.data(), buffer.data(), 60), 0u);
        EXPECT_EQ(win::GetLastError(), 6u) << "ERROR_INVALID_HANDLE";
        EXPECT_FALSE(win::IcmpCloseHandle(INVALID_HANDLE_VALUE));
    });
}

TEST(IcmpApiHandleTest, UnprivilegedUserGetsTheDatagramKindOrAccessDenied)
{
    RUN_IN_PRIVATE_NETWORK([] {
        ASSERT_EQ(::setgid(65534), 0);
        ASSERT_EQ(::setuid(65534), 0);
        const HANDLE handle = win::IcmpCreateFile();
        ASSERT_NE(handle, INVALID_HANDLE_VALUE) << win::GetLastError();
        const CEchoCall call = Echo(handle, "127.0.0.1", 2000);
        EXPECT_EQ(call.m_count, 1u) << call.m_error;
        EXPECT_TRUE(win::IcmpCloseHandle(handle));
    });
    RUN_IN_PRIVATE_NETWORK([] {
        ASSERT_TRUE(SetPingGroupRange("1 0"));
        ASSERT_EQ(::setgid(65534), 0);
        ASSERT_EQ(::setuid(65534), 0);
        win::SetLastError(0);
        EXPECT_EQ(win::IcmpCreateFile(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(win::GetLastError(), ERROR_ACCESS_DENIED);
    });
}
