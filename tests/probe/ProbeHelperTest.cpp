// quorail-probe itself, started by the echo facility's client inside a private network
// namespace (loopback answers, 198.18.0.0/15 leads nowhere): what it keeps after start-up,
// answers by token with many requests in flight, its limit, and its end on a bad request.
// Last, the echo facility of a process that may open neither socket kind probes through it,
// one request at a time or many side by side.

#include "AlertableWait.h"
#include "BlockingHook.h"
#include "HopResultArray.h"
#include "IcmpApi.h"
#include "LastError.h"
#include "PrivateNetwork.h"
#include "ProbeClient.h"
#include "ProbeSyscallFilter.h"
#include "RouteTracer.h"
#include "ScriptedPeer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <future>
#include <iostream>
#include <linux/capability.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using win::CProbeAnswer;
using win::CProbeClient;

namespace {

constexpr const char* kSilent = "198.18.7.7";

std::unique_ptr<CProbeClient> StartHelper()
{
    int error = 0;
    std::unique_ptr<CProbeClient> client = CProbeClient::Start(QUORAIL_PROBE, error);
    EXPECT_NE(client, nullptr) << "errno " << error;
    return client;
}

std::string StatusField(pid_t pid, const std::string& name)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(name + ":", 0) == 0)
            return line.substr(line.find_first_not_of(" \t", name.size() + 1));
    }
    return {};
}

int OpenDescriptors(pid_t pid)
{
    DIR* folder = ::opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
    int count = 0;
    while (const dirent* entry = ::readdir(folder))
        count += entry->d_name[0] != '.';
    ::closedir(folder);
    return count;
}

// Takes CAP_NET_RAW from this process alone: a program it starts as root gets it back.
void DropRawCapability()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    ASSERT_EQ(::syscall(SYS_capget, &header, data), 0);
    for (__user_cap_data_struct& word : data)
        word.effective = word.permitted = 0;
    ASSERT_EQ(::syscall(SYS_capset, &header, data), 0);
}

// Leaves the process the helper as its only way to probe.
void TakeEverySocketKind()
{
    ASSERT_TRUE(test::SetPingGroupRange("1 0"));
    ASSERT_NO_FATAL_FAILURE(DropRawCapability());
    CProbeClient::SetHelperPath(QUORAIL_PROBE);
}

// Echo requests this namespace has received so far (the kernel's Icmp InEchos).
long EchoRequestsReceived()
{
    std::ifstream snmp("/proc/net/snmp");
    std::vector<std::string> names;
    for (std::string line; std::getline(snmp, line);) {
        if (line.rfind("Icmp:", 0) != 0)
            continue;
        std::istringstream fields(line.substr(5));
        if (names.empty()) {
            for (std::string name; fields >> name;)
                names.push_back(name);
            continue;
        }
        for (const std::string& name : names) {
            long value = 0;
            fields >> value;
            if (name == "InEchos")
                return value;
        }
    }
    return -1;
}

// Sends count requests to loopback and waits until the last has been answered.
void EchoToLoopback(CProbeClient& client, unsigned count)
{
    std::string requests;
    for (DWORD token = 100000; token + 1 < 100000 + count; ++token)
        requests += win::CProbeProtocol::FormatRequest({token, inet_addr("127.0.0.1"), 64, 32, 5000});
    ASSERT_TRUE(client.SendRaw(requests));
    EXPECT_TRUE(client.Echo(inet_addr("127.0.0.1"), 64, 32, 5000).m_replied);
}

// One request that completes later, and what it came to.
struct CLaterRequest {
    BYTE m_reply[60] = {};
    bool m_done = false;
    DWORD m_status = 0; // 0 for an answer, else IcmpParseReplies' error

    static void OnDone(void* context, void*, ULONG)
    {
        auto* request = static_cast<CLaterRequest*>(context);
        request->m_done = true;
        request->m_status = win::IcmpParseReplies(request->m_reply, sizeof request->m_reply) != 0 ? 0 : win::GetLastError();
    }
    DWORD Send(HANDLE handle, const char* address, DWORD timeoutMs)
    {
        static const BYTE data[32] = {};
        win::IcmpSendEcho2(handle, nullptr, &OnDone, this, inet_addr(address), data, sizeof data, nullptr, m_reply,
                           sizeof m_reply, timeoutMs);
        return win::GetLastError();
    }
    void AwaitDone()
    {
        while (!m_done)
            win::SleepEx(1000, TRUE);
    }
};

} // namespace

TEST(ProbeHelper, KeepsNoPrivilegeNoEnvironmentAndNoOtherDescriptor)
{
    RUN_IN_PRIVATE_NETWORK([] {
        const std::unique_ptr<CProbeClient> client = StartHelper();
        ASSERT_NE(client, nullptr);
        const pid_t pid = client->HelperPid();
        for (const char* set : {"CapInh", "CapPrm", "CapEff", "CapAmb"})
            EXPECT_EQ(StatusField(pid, set), "0000000000000000") << set;
        EXPECT_EQ(StatusField(pid, "NoNewPrivs"), "1");
        EXPECT_EQ(StatusField(pid, "Seccomp"), "2") << "a system call filter";
        std::ifstream environment("/proc/" + std::to_string(pid) + "/environ");
        EXPECT_EQ(environment.peek(), std::ifstream::traits_type::eof());
        EXPECT_EQ(OpenDescriptors(pid), 5) << "standard input, output, error and the raw ICMP and ICMPv6 sockets";
    });
}

// Under the helper's system call filter, the TTL may be set; IP_HDRINCL, which would let
// raw packets of any kind out, kills the process.
TEST(ProbeHelper, SystemCallFilterLetsTheTtlButNoOtherSocketOptionThrough)
{
    for (const int option : {IP_TTL, IP_HDRINCL}) {
        const pid_t child = ::fork();
        if (child == 0) {
            const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
            ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
            if (fd < 0 || !CProbeSyscallFilter::Install())
                ::_exit(2);
            const int value = 1;
            ::setsockopt(fd, IPPROTO_IP, option, &value, sizeof value);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (option == IP_TTL)
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        else
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS) << status;
    }
}

TEST(ProbeHelper, AnswersManyRequestsInFlightByTheirTokens)
{
    RUN_IN_PRIVATE_NETWORK([] {
        const std::unique_ptr<CProbeClient> client = StartHelper();
        ASSERT_NE(client, nullptr);
        std::vector<std::future<CProbeAnswer>> silent;
        for (int i = 0; i < 8; ++i)
            silent.push_back(std::async(std::launch::async, [&] { return client->Echo(inet_addr(kSilent), 9, 32, 300); }));
        std::vector<std::future<CProbeAnswer>> answered;
        for (int i = 0; i < 8; ++i)
            answered.push_back(std::async(std::launch::async, [&] { return client->Echo(inet_addr("127.0.0.1"), 64, 32, 5000); }));
        for (auto& pending : answered) {
            const CProbeAnswer answer = pending.get();
            EXPECT_TRUE(answer.m_replied);
            EXPECT_EQ(answer.m_status, 0u);
            EXPECT_EQ(answer.m_address, inet_addr("127.0.0.1"));
            EXPECT_LT(answer.m_roundTrip, 100ms);
        }
        for (auto& pending : silent) {
            const CProbeAnswer answer = pending.get();
            EXPECT_FALSE(answer.m_replied);
            EXPECT_EQ(answer.m_status, IP_REQ_TIMED_OUT);
        }
    });
}

TEST(ProbeHelper, RequestsBeyondTheLimitInFlightAreRefusedUntilCancelledOnesLeave)
{
    RUN_IN_PRIVATE_NETWORK([] {
        const std::unique_ptr<CProbeClient> client = StartHelper();
        ASSERT_NE(client, nullptr);
        std::string burst;
        std::string cancels;
        for (DWORD token = 100000; token < 100000 + win::CProbeProtocol::kMaxInFlight; ++token) {
            burst += win::CProbeProtocol::FormatRequest({token, inet_addr(kSilent), 5, 32, 20000});
            cancels += win::CProbeProtocol::FormatCancel(token);
        }
        ASSERT_TRUE(client->SendRaw(burst));
        const auto start = std::chrono::steady_clock::now();
        const CProbeAnswer refused = client->Echo(inet_addr("127.0.0.1"), 64, 32, 5000);
        EXPECT_FALSE(refused.m_replied);
        EXPECT_EQ(refused.m_status, IP_NO_RESOURCES);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
        ASSERT_TRUE(client->SendRaw(cancels));
        EXPECT_TRUE(client->Echo(inet_addr("127.0.0.1"), 64, 32, 5000).m_replied);
    });
}

// Starting helper after helper gives about one helper's rate on the wire, not a new burst
// each time; a helper started after a pause still sends a whole trace's probes at once.
TEST(ProbeHelper, RestartLoopStaysNearOneHelpersRate)
{
    RUN_IN_PRIVATE_NETWORK([] {
        using Clock = std::chrono::steady_clock;
        std::this_thread::sleep_for(600ms);
        {
            const std::unique_ptr<CProbeClient> client = StartHelper();
            ASSERT_NE(client, nullptr);
            const auto start = Clock::now();
            EchoToLoopback(*client, 90);
            EXPECT_LT(Clock::now() - start, 50ms) << "30 hops of 3 probes";
        }
        const long before = EchoRequestsReceived();
        const auto start = Clock::now();
        while (Clock::now() - start < 2s) {
            const std::unique_ptr<CProbeClient> client = StartHelper();
            ASSERT_NE(client, nullptr);
            EchoToLoopback(*client, win::CProbeProtocol::kMaxInFlight);
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const double rate = static_cast<double>(EchoRequestsReceived() - before) / seconds;
        std::cout << "restart loop: " << rate << " echo requests a second\n";
        EXPECT_LT(rate, 3.0 * win::CProbeProtocol::kMaxPerSecond);
    });
}

// Started with standard input closed, the helper must not take its raw socket for the
// parent's: it finds no parent and ends at once, reading no packet as a request.
TEST(ProbeHelper, StartedWithStandardInputClosedEndsWithoutReadingPackets)
{
    RUN_IN_PRIVATE_NETWORK([] {
        int output[2];
        ASSERT_EQ(::pipe(output), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(output[1], STDOUT_FILENO);
            ::close(STDIN_FILENO);
            ::execl(QUORAIL_PROBE, QUORAIL_PROBE, nullptr);
            ::_exit(127);
        }
        ::close(output[1]);
        ASSERT_TRUE(test::Shell("ping -c 3 -i 0.2 -W 1 127.0.0.1 >/dev/null"));
        int status = 0;
        for (int waited = 0; waited < 100 && ::waitpid(child, &status, WNOHANG) == 0; ++waited)
            std::this_thread::sleep_for(20ms);
        if (::waitpid(child, &status, WNOHANG) == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ADD_FAILURE() << "the helper still waits on its raw socket";
        }
        char said[16] = {};
        EXPECT_GT(::read(output[0], said, sizeof said - 1), 0);
        ::close(output[0]);
        EXPECT_EQ(std::string(said).rfind("ready ", 0), 0u) << said;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    });
}

// A near target answers at once, so a long sequential run soon outpaces the rate: its
// requests then wait their turn instead of failing.
TEST(ProbeHelper, RequestsBeyondTheRateWaitTheirTurn)
{
    RUN_IN_PRIVATE_NETWORK([] {
        const std::unique_ptr<CProbeClient> client = StartHelper();
        ASSERT_NE(client, nullptr);
        constexpr unsigned kRequests = win::CProbeProtocol::kMaxInFlight + win::CProbeProtocol::kMaxPerSecond / 2;
        const auto start = std::chrono::steady_clock::now();
        for (unsigned i = 0; i < kRequests; ++i) {
            const CProbeAnswer answer = client->Echo(inet_addr("127.0.0.1"), 64, 32, 5000);
            ASSERT_TRUE(answer.m_replied) << "request " << i << ": " << answer.m_status;
        }
        EXPECT_GE(std::chrono::steady_clock::now() - start, 400ms) << "the burst and half a second's rate";
    });
}

TEST(ProbeHelper, BadRequestEndsTheHelperAndFailsWhatWaits)
{
    RUN_IN_PRIVATE_NETWORK([] {
        for (const std::string& bad : {std::string("1 echo 255.255.255.255 ttl 1 size 32 timeout 100\n"),
                                       std::string("1 echo 127.0.0.1 ttl 1 size 4000 timeout 100\n"),
                                       std::string(1000, 'x')}) {
            const std::unique_ptr<CProbeClient> client = StartHelper();
            ASSERT_NE(client, nullptr);
            auto waiting = std::async(std::launch::async, [&] { return client->Echo(inet_addr(kSilent), 9, 32, 10000); });
            std::this_thread::sleep_for(50ms);
            const auto start = std::chrono::steady_clock::now();
            ASSERT_TRUE(client->SendRaw(bad));
            const CProbeAnswer answer = waiting.get();
            EXPECT_FALSE(answer.m_replied);
            EXPECT_EQ(answer.m_status, IP_GENERAL_FAILURE) << bad;
            EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << bad;
            EXPECT_FALSE(client->Alive());
        }
    });
}

TEST(ProbeHelper, EchoFacilityWithoutSocketsTracesThroughTheHelper)
{
    RUN_IN_PRIVATE_NETWORK([] {
        ASSERT_NO_FATAL_FAILURE(TakeEverySocketKind());

        CRouteTracer tracer;
        CHopResultArray hops;
        ASSERT_TRUE(tracer.Trace("127.0.0.1", hops, 30, 1000, 3)) << win::GetLastError();
        ASSERT_EQ(hops.GetSize(), 1u);
        EXPECT_EQ(hops[0].dwError, 0u);
        EXPECT_EQ(hops[0].Address, inet_addr("127.0.0.1"));

        const HANDLE handle = win::IcmpCreateFile();
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        BYTE reply[60];
        const BYTE data[32] = {};
        for (const auto& [address, status] : {std::pair{kSilent, IP_REQ_TIMED_OUT},
                                              std::pair{"224.0.0.1", IP_BAD_DESTINATION}}) {
            win::SetLastError(0);
            EXPECT_EQ(win::IcmpSendEcho(handle, inet_addr(address), data, 32, nullptr, reply, sizeof reply, 100), 0u);
            EXPECT_EQ(win::GetLastError(), status) << address;
        }

        // A helper that ended fails the request in hand; the next one starts a new helper.
        int error = 0;
        const pid_t helper = CProbeClient::Shared(error)->HelperPid();
        ASSERT_EQ(::kill(helper, SIGKILL), 0);
        siginfo_t ended{};
        ASSERT_EQ(::waitid(P_PID, helper, &ended, WEXITED | WNOWAIT), 0);
        EXPECT_EQ(win::IcmpSendEcho(handle, inet_addr("127.0.0.1"), data, 32, nullptr, reply, sizeof reply, 1000), 0u);
        EXPECT_EQ(win::GetLastError(), IP_GENERAL_FAILURE);
        EXPECT_EQ(win::IcmpSendEcho(handle, inet_addr("127.0.0.1"), data, 32, nullptr, reply, sizeof reply, 1000), 1u)
            << win::GetLastError();
        EXPECT_NE(CProbeClient::Shared(error)->HelperPid(), helper);
        win::IcmpCloseHandle(handle);
    });
}

// A silent request does not hold up the answered one sent after it; a stop ends a wait
// through the helper; a helper that ends fails at once what still waits on it.
TEST(ProbeHelper, EchoFacilityCarriesRequestsSideBySideThroughTheHelper)
{
    RUN_IN_PRIVATE_NETWORK([] {
        ASSERT_NO_FATAL_FAILURE(TakeEverySocketKind());
        // More than half a second after the last helper's start, a new one sends its whole
        // burst (the start stamp's time is coarse, a few ms).
        std::this_thread::sleep_for(600ms);
        // A stopped trace's requests leave the helper with their handle: a trace right
        // after it finds every place in flight free.
        const HANDLE stopped = win::IcmpCreateFile();
        std::vector<CLaterRequest> left(win::CProbeProtocol::kMaxInFlight);
        for (CLaterRequest& request : left)
            ASSERT_EQ(request.Send(stopped, kSilent, 20000), ERROR_IO_PENDING);
        win::IcmpCloseHandle(stopped);
        // The helper's rate gives a send after 1/256 s; a request is handed over only then.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

        const HANDLE handle = win::IcmpCreateFile();
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        CLaterRequest silent;
        CLaterRequest answered;
        ASSERT_EQ(silent.Send(handle, kSilent, 20000), ERROR_IO_PENDING);
        ASSERT_EQ(answered.Send(handle, "127.0.0.1", 20000), ERROR_IO_PENDING);
        answered.AwaitDone();
        EXPECT_EQ(answered.m_status, 0u);
        EXPECT_FALSE(silent.m_done);

        win::WSASetBlockingHook([] { win::WSACancelBlockingCall(); });
        BYTE reply[60];
        const BYTE data[32] = {};
        EXPECT_EQ(win::IcmpSendEcho(handle, inet_addr(kSilent), data, 32, nullptr, reply, sizeof reply, 20000), 0u);
        EXPECT_EQ(win::GetLastError(), ERROR_CANCELLED);
        win::WSAUnhookBlockingHook();
        win::ClearBlockingCallCancel();

        int error = 0;
        ASSERT_EQ(::kill(CProbeClient::Shared(error)->HelperPid(), SIGKILL), 0);
        silent.AwaitDone();
        EXPECT_EQ(silent.m_status, IP_GENERAL_FAILURE);
        win::IcmpCloseHandle(handle);
    });
}

// Probes the engine gives up early keep their places at the helper until their wait ends:
// a long trace that gives up a silent router's probes and then sends more must not run
// out of them. (Hops 1, 3 and 4 stay silent; hop 2 is a router; hop 5 the target.)
TEST(ProbeHelper, TraceOfMoreProbesThanThePlacesInFlightGetsNoRefusal)
{
    RUN_IN_PRIVATE_NETWORK([] {
        // The peer opens its sockets before the process gives up its own.
        test::CScriptedPeer peer([](const test::Bytes& request) -> std::vector<test::CPeerPacket> {
            const BYTE ttl = request[8];
            if (ttl == 2)
                return {{0ms, test::CScriptedPeer::ErrorAbout(request, 11, 0, inet_addr("198.18.2.1"))}};
            if (ttl >= 5)
                return {{0ms, test::CScriptedPeer::ReplyTo(request)}};
            return {};
        });
        ASSERT_TRUE(peer.Ready());
        ASSERT_NO_FATAL_FAILURE(TakeEverySocketKind());
        CRouteTracer tracer;
        CHopResultArray hops;
        ASSERT_TRUE(tracer.Trace("198.18.99.7", hops, 5, 2000, 50)) << win::GetLastError();
        ASSERT_EQ(hops.GetSize(), 5u);
        for (std::size_t i : {0u, 2u, 3u})
            EXPECT_EQ(hops[i].dwError, IP_REQ_TIMED_OUT) << i;
        EXPECT_EQ(hops[1].dwError, 0u);
        EXPECT_EQ(hops[4].dwError, 0u);
    });
}
