#pragma once
// The parallel schedule of one trace. The probes of every TTL up to the hop limit go out
// together on one echo handle, hop after hop, with at most kMaxInFlight requests waiting at
// a time (one handle, so that every answer reaches one socket once); each hop's record
// is built from its probes in probe order, stopping at the first failed one, exactly as
// the sequential schedule builds it, and the tracer's callbacks run in that same order as
// soon as a hop and all hops before it are finished. A probe is given up before its
// timeout only when higher TTLs have answered and a generous multiple of their round
// trips, at least kGiveUpFloor, has passed; it then counts as timed out. A probe that the
// echo facility would not send at once (the probe helper's rate) is sent a moment later,
// so that its clock starts at its send. A stop reports every hop finished by then
// before the trace fails.
//
// Routers limit their ICMP errors: Linux answers about once a second per source after a
// burst of six. Where a timeout leaves room, a hop's first unanswered probe is therefore
// asked once more when the router's allowance has refilled: kRefill after the hop's
// latest answer, or after its first send when nothing answered. Its first request still
// counts; the answer of either is the probe's, timed from the request it answers. The
// router then answers one probe a second, and a trace right after another still shows it.

#include "RouteTracer.h"

#include <array>
#include <chrono>
#include <deque>
#include <optional>
#include <vector>

class CProbeScheduler {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMaxInFlight = 128;
    static constexpr std::chrono::milliseconds kGiveUpFloor{1000};
    static constexpr int kGiveUpFactor = 10; // times the slowest higher answer's round trip
    static constexpr std::chrono::milliseconds kBusyPause{4}; // about one send of the helper's rate
    // A router's allowance for one more ICMP error (net.ipv4.icmp_ratelimit, 1 s), and a
    // tick of its clock.
    static constexpr std::chrono::milliseconds kRefill{1020};
    // How long a probe asked again waits at least, and in times of its hop's (else the
    // next answering hop's) slowest round trip.
    static constexpr std::chrono::milliseconds kAskAgainFloor{50};
    static constexpr int kAskAgainFactor = 2;

    CProbeScheduler(CRouteTracer& tracer, const win::CIpAddress& target, CHopResultArray& hops, BYTE maxHops, DWORD timeoutMs,
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
    static constexpr std::size_t kReplySize = 80; // one reply record of either family, 32 echoed bytes and 8 more
    static constexpr std::size_t kMaxAsks = 2;    // a probe's first request and one more

    struct CProbe;
    // One echo request of a probe.
    struct CRequest {
        CProbe* m_probe = nullptr;
        bool m_bWaiting = false; // the echo facility still carries it
        std::array<BYTE, kReplySize> m_buffer{};
    };
    struct CProbe {
        enum class EState { Unsent, InFlight, Done };
        CProbeScheduler* m_owner = nullptr;
        unsigned m_ttl = 0;
        EState m_state = EState::Unsent;
        Clock::time_point m_firstSent; // its timeout runs from here
        Clock::time_point m_sent;      // its latest request's send
        Clock::time_point m_answered;  // Done and answered: when the answer came
        std::size_t m_asks = 0;        // requests sent
        DWORD m_error = 0;  // Done: 0 when answered, else the failure
        DWORD m_status = 0; // Done and answered: the answer's IP_STATUS
        win::CIpAddress m_address;
        DWORD m_rtt = 0;    // ms
        std::array<CRequest, kMaxAsks> m_requests;
    };
    struct CHop {
        std::vector<CProbe> m_probes;
        bool m_bAddressTold = false;
    };

    static void OnRequestDone(void* context, void* ioStatusBlock, ULONG reserved);
    // A probe given up, answered or no longer needed; an answer that comes later is ignored.
    void Finish(CProbe& probe, DWORD error);

    void SendMore();
    // Sends the probe's next request. False when the echo facility would send nothing
    // now: the probe stays as it was.
    bool Ask(CProbe& probe);
    // The number of the hop's probes that count (up to and including the first failed
    // one); 0 while one of them is still waiting.
    std::size_t Counted(const CHop& hop) const;
    BOOL ReportFinished();
    BOOL Report(unsigned ttl, CHop& hop, std::size_t counted);
    // Tells the tracer the node of a hop's first answer, at once, even while a callback
    // waits: its name lookup can start.
    void TellAddress(const CProbe& probe);
    // Gives up lost probes and asks again where a router's allowance has refilled;
    // returns when the next of these is due.
    Clock::time_point GiveUpOrAskAgain(Clock::time_point now);
    // What the answers so far say about a hop's round trip, in ms.
    struct CEvidence {
        std::optional<DWORD> m_here;    // the slowest answer of the hop
        std::optional<DWORD> m_next;    // the slowest answer of the next higher hop that answered
        std::optional<DWORD> m_above;   // the slowest answer of any higher hop
    };
    // When a probe in flight is asked again or given up, doing it when that is now.
    Clock::time_point NextStep(CHop& hop, CProbe& probe, bool firstUnanswered, const CEvidence& evidence,
                               Clock::time_point now);
    // When the hop's router can answer once more.
    static Clock::time_point Refilled(const CHop& hop);
    static std::optional<DWORD> SlowestAnswer(const CHop& hop);
    BOOL Fail(DWORD error);

    CRouteTracer& m_tracer;
    win::CIpAddress m_target;
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
    Clock::time_point m_busyUntil; // no send before this: the facility was busy
    Clock::time_point m_busySince = Clock::time_point::max(); // first try of the probe refused so far
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    bool m_bAsyncRefused = false;
};
