#include "ScriptedEcho.h"

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
}

IPAddr Ip(int a, int b, int c, int d)
{
    const BYTE bytes[4] = {static_cast<BYTE>(a), static_cast<BYTE>(b), static_cast<BYTE>(c), static_cast<BYTE>(d)};
    IPAddr address = 0;
    std::memcpy(&address, bytes, 4);
    return address;
}

CScriptedEcho& CScriptedEcho::Instance()
{
    static CScriptedEcho echo;
    return echo;
}

void CScriptedEcho::Register()
{
    win::RegisterModule({"ICMP.DLL",
                         {{"IcmpCreateFile", reinterpret_cast<win::FARPROC>(&Create)},
                          {"IcmpSendEcho", reinterpret_cast<win::FARPROC>(&Send)},
                          {"IcmpCloseHandle", reinterpret_cast<win::FARPROC>(&Close)}}});
}

void CScriptedEcho::Reset()
{
    *this = CScriptedEcho();
}

CScriptedAnswer CScriptedEcho::NextAnswer(BYTE ttl)
{
    if (!m_queue.empty()) {
        CScriptedAnswer answer = m_queue.front();
        m_queue.pop_front();
        return answer;
    }
    auto it = m_byTtl.find(ttl);
    if (it != m_byTtl.end())
        return it->second;
    return CScriptedAnswer{false, 0, 0, IP_REQ_TIMED_OUT};
}

HANDLE CScriptedEcho::Create()
{
    CScriptedEcho& echo = Instance();
    if (echo.m_failCreate) {
        win::SetLastError(echo.m_createError);
        return INVALID_HANDLE_VALUE;
    }
    ++echo.m_openHandles;
    return &g_handleToken;
}

DWORD CScriptedEcho::Send(HANDLE, IPAddr destination, const void* data, WORD size,
                          const win::IP_OPTION_INFORMATION* options, void* reply, DWORD replySize, DWORD timeoutMs)
{
    CScriptedEcho& echo = Instance();
    const auto* bytes = static_cast<const BYTE*>(data);
    CRecordedProbe probe{options->Ttl, destination, timeoutMs, size, replySize,
                         std::all_of(bytes, bytes + size, [](BYTE b) { return b == 'E'; })};
    echo.m_probes.push_back(probe);
    if (echo.m_throwOnSend)
        throw std::bad_alloc();
    if (echo.m_onSend)
        echo.m_onSend(probe);
    const CScriptedAnswer answer = echo.NextAnswer(options->Ttl);
    if (!Wait(answer.m_delayMs)) {
        win::SetLastError(IP_REQ_TIMED_OUT);
        return 0;
    }
    if (!answer.m_answered) {
        win::SetLastError(answer.m_error);
        return 0;
    }
    win::ICMP_ECHO_REPLY record{};
    record.Address = answer.m_address;
    record.RoundTripTime = answer.m_rtt;
    record.Status = answer.m_status;
    std::memcpy(reply, &record, sizeof record);
    return 1;
}

bool CScriptedEcho::Wait(DWORD delayMs)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(delayMs);
    while (!win::IsBlockingCallCancelled()) {
        const Clock::time_point now = Clock::now();
        if (now >= end)
            return true;
        std::this_thread::sleep_for(
            std::min<Clock::duration>(end - now, std::chrono::milliseconds(win::kBlockingHookIntervalMs)));
        win::CallBlockingHook();
    }
    return false;
}

BOOL CScriptedEcho::Close(HANDLE)
{
    --Instance().m_openHandles;
    return TRUE;
}
