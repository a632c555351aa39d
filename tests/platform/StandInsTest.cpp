// The other stand-ins of the platform layer: the module registry, the resolver calls and
// the blocking hook.

#include "AlertableWait.h"
#include "BlockingHook.h"
#include "IcmpApi.h"
#include "LastError.h"
#include "Modules.h"
#include "PrivateNetwork.h"
#include "WinSock.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

namespace {

HANDLE DoubleCreateFile()
{
    return reinterpret_cast<HANDLE>(0x1234);
}

template <typename F>
win::FARPROC AsProc(F function)
{
    return reinterpret_cast<win::FARPROC>(function);
}

std::string Dotted(std::uint32_t address)
{
    in_addr value{};
    value.s_addr = address;
    return ::inet_ntoa(value);
}

int g_hookCalls = 0;
std::thread::id g_workThread;

void CountingHook()
{
    ++g_hookCalls;
}

} // namespace

TEST(ModulesTest, RegisteredDoubleWinsOverTheBuiltInUntilUnregistered)
{
    win::RegisterModule(win::CModuleTable{"icmp.dll", {{"IcmpCreateFile", AsProc(&DoubleCreateFile)}}});
    win::HMODULE module = win::LoadLibraryA("ICMP.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(win::GetProcAddress(module, "IcmpCreateFile"), AsProc(&DoubleCreateFile));
    win::SetLastError(0);
    EXPECT_EQ(win::GetProcAddress(module, "IcmpSendEcho"), nullptr);
    EXPECT_EQ(win::GetLastError(), ERROR_PROC_NOT_FOUND);

    win::UnregisterModule("ICMP.dll");
    module = win::LoadLibraryA("icmp.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(win::GetProcAddress(module, "IcmpCreateFile"), AsProc(&win::IcmpCreateFile));
    EXPECT_EQ(win::GetProcAddress(module, "IcmpSendEcho"), AsProc(&win::IcmpSendEcho));
    EXPECT_EQ(win::GetProcAddress(module, "IcmpCloseHandle"), AsProc(&win::IcmpCloseHandle));
    EXPECT_TRUE(win::FreeLibrary(module));

    win::SetLastError(0);
    EXPECT_EQ(win::LoadLibraryA("NOSUCH.DLL"), nullptr);
    EXPECT_EQ(win::GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST(WinSockTest, InetAddrTakesTheClassicDottedForms)
{
    EXPECT_EQ(Dotted(win::inet_addr("127.0.0.1")), "127.0.0.1");
    EXPECT_EQ(Dotted(win::inet_addr("127.1")), "127.0.0.1");
    EXPECT_EQ(Dotted(win::inet_addr("198.18.1")), "198.18.0.1");
    EXPECT_EQ(Dotted(win::inet_addr("0x7f.1")), "127.0.0.1");
    EXPECT_EQ(win::inet_addr("999.1.1.1"), win::INADDR_NONE_VALUE);
    EXPECT_EQ(win::inet_addr("host.example"), win::INADDR_NONE_VALUE);
    EXPECT_EQ(win::inet_addr(""), win::INADDR_NONE_VALUE);
    EXPECT_EQ(win::inet_addr(nullptr), win::INADDR_NONE_VALUE);
    // All bits set is a valid broadcast address, yet indistinguishable from the failure value.
    EXPECT_EQ(win::inet_addr("255.255.255.255"), win::INADDR_NONE_VALUE);
}

TEST(WinSockTest, LookupsResolveLocalNamesAndReportFailuresAsWindowsSocketsCodes)
{
    // In a namespace of its own, a lookup that reaches for a name server cannot leave the machine.
    RUN_IN_PRIVATE_NETWORK([] {
        const hostent* local = win::gethostbyname("localhost");
        ASSERT_NE(local, nullptr);
        ASSERT_NE(local->h_addr_list[0], nullptr);
        std::uint32_t address = 0;
        std::memcpy(&address, local->h_addr_list[0], sizeof address);
        EXPECT_EQ(Dotted(address), "127.0.0.1");

        win::SetLastError(0);
        EXPECT_EQ(win::gethostbyname("no-such-host.invalid"), nullptr);
        EXPECT_GE(win::GetLastError(), WSAHOST_NOT_FOUND);
        EXPECT_LE(win::GetLastError(), WSANO_DATA);

        win::SetLastError(0);
        EXPECT_EQ(win::gethostbyaddr(nullptr, 4, AF_INET), nullptr);
        EXPECT_EQ(win::GetLastError(), WSANO_RECOVERY);
    });
}

// The hosts file answers inside the call that starts the lookup: its handle must still
// cancel it, or the routine would run later on a context its caller has given up.
TEST(WinSockTest, LookupAnsweredAtOnceIsCancelledByItsHandle)
{
    RUN_IN_PRIVATE_NETWORK([] {
        static int s_routines = 0;
        const std::uint32_t loopback = inet_addr("127.0.0.1");
        const HANDLE request = win::WSAAsyncGetHostByAddr(reinterpret_cast<const char*>(&loopback), sizeof loopback,
                                                          AF_INET, [](void*, DWORD, const hostent*) { ++s_routines; },
                                                          nullptr);
        ASSERT_NE(request, nullptr);
        EXPECT_EQ(win::WSACancelAsyncRequest(request), 0);
        win::SleepEx(20, TRUE);
        EXPECT_EQ(s_routines, 0);
    });
}

TEST(BlockingHookTest, RunBlockingCallsTheHookWhileWorkRunsElsewhere)
{
    g_hookCalls = 0;
    win::RunBlocking([] { g_workThread = std::this_thread::get_id(); });
    EXPECT_EQ(g_workThread, std::this_thread::get_id()) << "without a hook the work runs on the caller";
    EXPECT_EQ(g_hookCalls, 0);

    EXPECT_EQ(win::WSASetBlockingHook(&CountingHook), nullptr);
    win::RunBlocking([] {
        g_workThread = std::this_thread::get_id();
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    });
    EXPECT_NE(g_workThread, std::this_thread::get_id());
    EXPECT_GE(g_hookCalls, 3);
    EXPECT_EQ(win::WSAUnhookBlockingHook(), 0);
    EXPECT_FALSE(win::HasBlockingHook());
}

void CancellingHook()
{
    win::WSACancelBlockingCall();
}

// A cancelled call lets the caller go at once while the work runs on with what it owns;
// later calls give up without running their work until the flag is cleared.
TEST(BlockingHookTest, CancelFromTheHookLetsTheCallerGoWhileTheWorkFinishesAlone)
{
    win::WSASetBlockingHook(&CancellingHook);
    // The work holds on until the caller is back, which it would never be if it waited.
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    EXPECT_FALSE(win::RunBlocking([release, finished] {
        while (!*release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        *finished = true;
    }));
    *release = true;
    EXPECT_TRUE(win::IsBlockingCallCancelled());

    bool ran = false;
    EXPECT_FALSE(win::RunBlocking([&ran] { ran = true; }));
    win::SetLastError(0);
    EXPECT_EQ(win::gethostbyname("localhost"), nullptr);
    EXPECT_EQ(win::GetLastError(), WSAEINTR);
    EXPECT_FALSE(ran);

    win::ClearBlockingCallCancel();
    win::WSAUnhookBlockingHook();
    EXPECT_TRUE(win::RunBlocking([&ran] { ran = true; }));
    EXPECT_TRUE(ran);
    while (!*finished)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}
