#pragma once
// An echo module registered under "ICMP.DLL" for the connect tests: each TTL is answered
// by the node scripted for it or times out (11010). A probe may take its time, calling the
// thread's blocking hook while it waits as the real facility does; opening a handle may
// fail from a given probe on, and a given probe may throw. Calls are counted.

#include "IcmpApi.h"

#include <functional>
#include <map>

class CPacedEcho {
public:
    static CPacedEcho& Instance();
    // Registers the module; the engine takes it at its first start-up in the process.
    static void Register();
    void Reset();

    std::map<BYTE, IPAddr> m_nodeByTtl; // TTLs without a node time out
    DWORD m_rttMs = 7;
    int m_delayMs = 0;                  // how long each probe waits
    int m_failCreateFromProbe = 0;      // 1-based count of handles opened; 0 never
    DWORD m_createError = ERROR_ACCESS_DENIED;
    int m_throwAtProbe = 0;             // 1-based count of sends; 0 never
    // Called at the start of each probe, inside the trace.
    std::function<void(BYTE ttl, int probe)> m_onProbe;

    int m_creates = 0;
    int m_probes = 0; // sends
    std::map<BYTE, int> m_probesByTtl;
    std::map<DWORD, int> m_probesByTimeoutMs;
    int m_activeSends = 0;
    int m_mostActiveSends = 0; // above 1 when a second trace ran inside the first

private:
    static HANDLE Create();
    static DWORD Send(HANDLE handle, IPAddr destination, const void* data, WORD size,
                      const win::IP_OPTION_INFORMATION* options,
                      void* reply, DWORD replySize, DWORD timeoutMs);
    static BOOL Close(HANDLE handle);
    void Wait() const;
};

IPAddr Ip(int a, int b, int c, int d);
