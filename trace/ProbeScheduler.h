#pragma once
// The parallel schedule of one trace. The probes of every TTL up to the hop limit go out
// together on one echo handle, hop after hop, with at most kMaxInFlight waiting at a time
// (one handle, so that every answer reaches one socket once); each hop's record
// is built from its probes in probe order, stopping at the first failed one, exactly as
// the sequential schedule builds it, and the tracer's callbacks run in that same order as
// soon as a hop and all hops before it are finished. A probe is given up before its
// timeout only when higher TTLs have answered and a generous multiple of their round
// trips, at least kGiveUpFloor, has passed; it then counts as timed out. A stop reports
// every hop finished by then before the trace fails.

#include "RouteTracer.h"

#include <array>
#include <chrono>
#include <deque>
#include <vector>

class CProbeScheduler {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMaxInFlight = 128;
    static constexpr std::chrono::milliseconds kGiveUpFloor{1000};
    static constexpr int kGiveUpFactor = 10; // times the slowest higher answer's round trip

    CProbeScheduler(CRouteTracer& tracer, IPAddr target, CHopResultArray& hops, BYTE maxHops, DWORD timeoutMs,
                    DWORD probesPerHop);
    // Closes the echo handle: no probe outlives the trace.
    ~CProbeScheduler();
    CProbeScheduler(const CProbeScheduler&) = delete;
    CProbeScheduler& operator=(const CProbeScheduler&) = delete;

    // Trace's result: TRUE at the end of the trace, else FALSE with the last error set.
    BOOL Run();
    // True when the echo handle carries no requests that complete later: Run then
    // returned before any callback, and the trace must go sequentially.
    bool AsyncRefused() const { return m_bAsyncRefused; }

private:
    static constexpr std::size_t kReplySize = 60; // one reply record and the 32 echoed bytes

    struct CProbe {
        enum class EState { Unsent, InFlight, Done };
        CProbeScheduler* m_owner = nullptr;
        unsigned m_ttl = 0;
        EState m_state = EState::Unsent;
        Clock::time_point m_sent;
        DWORD m_error = 0;  // Done: 0 when answered, else the failure
        DWORD m_status = 0; // Done and answered: the answer's IP_STATUS
        IPAddr m_address = 0;
        DWORD m_rtt = 0;    // ms
        std::array<BYTE, kReplySize> m_buffer{};
    };
    struct CHop {
        std::vector<CProbe> m_probes;
        bool m_bAddressTold = false;
    };

    static void OnProbeDone(void* context, void* ioStatusBlock, ULONG reserved);
    // A probe given up, answered or no longer needed; an answer that comes later is ignored.
    void Finish(CProbe& probe, DWORD error);

    void SendMore();
    void Send(CProbe& probe, BYTE ttl);
    // The number of the hop's probes that count (up to and including the first failed
    // one); 0 while one of them is still waiting.
    std::size_t Counted(const CHop& hop) const;
    BOOL ReportFinished();
    BOOL Report(unsigned ttl, CHop& hop, std::size_t counted);
    // Tells the tracer the node of a hop's first answer, at once, even while a callback
    // waits: its name lookup can start.
    void TellAddress(const CProbe& probe);
    // Gives up lost probes; returns when the next one may be given up.
    Clock::time_point GiveUpLost(Clock::time_point now);
    BOOL Fail(DWORD error);

    CRouteTracer& m_tracer;
    IPAddr m_target;
    CHopResultArray& m_hops;
    unsigned m_lastTtl;   // the highest TTL still needed
    DWORD m_timeoutMs;
    DWORD m_probesPerHop;
    std::deque<CHop> m_probing; // TTL 1 first; references stay valid as it grows
    unsigned m_reported = 0;    // hops reported so far
    unsigned m_nextTtl = 1;     // the next probe to send
    DWORD m_nextProbe = 0;
    // Requests the echo facility still carries: a probe given up or no longer needed
    // keeps its place until its completion routine runs, as the helper keeps it.
    std::size_t m_inFlight = 0;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    bool m_bAsyncRefused = false;
};
