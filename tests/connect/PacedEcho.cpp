#include "PacedEcho.h"

#include "BlockingHook.h"
#include "LastError.h"
#include "Modules.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <thread>

namespace {

int g_handleToken = 0;
constexpr int kHookIntervalMs = 5;

} // namespace

IPAddr Ip(int a, int b, int c, int d)
{
    const BYTE bytes[4] = {static_cast<BYTE>(a), static_cast<BYTE>(b), static_cast<BYTE>(c), static_cast<BYTE>(d)};
    IPAddr address = 0;
    std::memcpy(&address, bytes, sizeof address);
    return address;
}

CPacedEcho& CPacedEcho::Instance()
{
    static CPacedEcho echo;
    return echo;
}

void CPacedEcho::Register()
{
    win::RegisterModule({"ICMP.DLL",
                         {{"IcmpCreateFile", reinterpret_cast<win::FARPROC>(&Create)},
                          {"IcmpSendEcho", reinterpret_cast<win::FARPROC>(&Send)},
                          {"IcmpCloseHandle", reinterpret_cast<win::FARPROC>(&Close)}}});
}

void CPacedEcho::Reset()
{
    *this = CPacedEcho();
}

HANDLE CPacedEcho::Create()
{
    CPacedEcho& echo = Instance();
    ++echo.m_creates;
    if (echo.m_failCreateFromProbe != 0 && echo.m_creates >= echo.m_failCreateFromProbe) {
        win::SetLastError(echo.m_createError);
        return INVALID_HANDLE_VALUE;
    }
    return &g_handleToken;
}

void CPacedEcho::Wait() const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_delayMs);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kHookIntervalMs));
        win::CallBlockingHook();
    }
}

DWORD CPacedEcho::Send(HANDLE, IPAddr, const void*, WORD, const win::IP_OPTION_INFORMATION* options, void* reply,
                       DWORD, DWORD timeoutMs)
{
    CPacedEcho& echo = Instance();
    const BYTE ttl = options->Ttl;
    ++echo.m_probes;
    ++echo.m_probesByTtl[ttl];
    ++echo.m_probesByTimeoutMs[timeoutMs];
    if (echo.m_probes == echo.m_throwAtProbe)
        throw std::bad_alloc();
    ++echo.m_activeSends;
    echo.m_mostActiveSends = std::max(echo.m_mostActiveSends, echo.m_activeSends);
    if (echo.m_onProbe)
        echo.m_onProbe(ttl, echo.m_probesByTtl[ttl]);
    echo.Wait();
    --echo.m_activeSends;
    const auto node = echo.m_nodeByTtl.find(ttl);
    if (node == echo.m_nodeByTtl.end()) {
        win::SetLastError(IP_REQ_TIMED_OUT);
        return 0;
    }
    win::ICMP_ECHO_REPLY record{};
    record.Address = node->second;
    record.RoundTripTime = echo.m_rttMs;
    std::memcpy(reply, &record, sizeof record);
    return 1;
}

BOOL CPacedEcho::Close(HANDLE)
{
    return TRUE;
}
