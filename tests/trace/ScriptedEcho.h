#pragma once
// A scripted echo module registered under "ICMP.DLL": each probe takes the next scripted
// answer (or the answer scripted for its TTL), and every call is recorded. A scripted wait
// calls the thread's blocking hook and gives up, unanswered, once the call is cancelled.

#include "IcmpApi.h"

#include <deque>
#include <functional>
#include <map>
#include <vector>

struct CScriptedAnswer {
    bool m_answered = true;
    IPAddr m_address = 0;
    DWORD m_rtt = 0;    // ms
    DWORD m_error = 0;  // last error when not answered
    DWORD m_delayMs = 0; // how long the probe waits before its answer (or its failure)
    DWORD m_status = 0;  // the answer's IP_STATUS (a router's destination unreachable, ...)
};

struct CRecordedProbe {
    BYTE m_ttl = 0;
    IPAddr m_destination = 0;
    DWORD m_timeoutMs = 0;
    WORD m_requestSize = 0;
    DWORD m_replySize = 0;
    bool m_dataAllE = false;
};

class CScriptedEcho {
public:
    static CScriptedEcho& Instance();
    // Registers the module; the engine picks it up at its first start-up in this process.
    static void Register();

    void Reset();
    // Answers used in order; when they run out, the per-TTL answers, then a timeout.
    std::deque<CScriptedAnswer> m_queue;
    std::map<BYTE, CScriptedAnswer> m_byTtl;
    bool m_failCreate = false;
    bool m_throwOnSend = false; // the next probe throws std::bad_alloc
    DWORD m_createError = ERROR_ACCESS_DENIED;
    // Called with each probe once it is recorded, before it is answered; it may throw.
    std::function<void(const CRecordedProbe&)> m_onSend;
    std::vector<CRecordedProbe> m_probes;
    int m_openHandles = 0;

    static HANDLE Create();
    static DWORD Send(HANDLE handle, IPAddr destination, const void* data, WORD size,
                      const win::IP_OPTION_INFORMATION* options, void* reply, DWORD replySize, DWORD timeoutMs);
    static BOOL Close(HANDLE handle);

private:
    CScriptedAnswer NextAnswer(BYTE ttl);
    // False when the wait was cancelled.
    static bool Wait(DWORD delayMs);
};

IPAddr Ip(int a, int b, int c, int d);
