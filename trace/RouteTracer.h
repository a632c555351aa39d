#pragma once
// Finds the route to an IPv4 host with echo requests of rising TTL; Trace returns when
// the trace is over. A subclass watches each answered probe and each finished hop through
// the two callbacks, which run on the calling thread in hop and probe order whichever
// schedule probes; it has no user interface and no text of its own.

#include "HopResultArray.h"
#include "TraceRecords.h"

#include <string>

// A trace's failure when no route leads from here to the target (Windows' codes for it).
constexpr DWORD ERROR_NETWORK_UNREACHABLE = 1231;
constexpr DWORD ERROR_HOST_UNREACHABLE = 1232;

class CRouteTracer {
public:
    // Parallel: the hops are probed side by side (where the echo library can) and a probe
    // may be given up early on the path's evidence. Sequential: one probe after the other,
    // each waiting its whole timeout. Both give the same records for the same answers.
    enum class ESchedule { Parallel, Sequential };

    virtual ~CRouteTracer() = default;

    // TRUE when the trace ran to its end (target reached, a router's destination-unreachable
    // answer, or hop limit passed); FALSE on failure with the code in the thread's last-error
    // value: a target that is no unicast address (IP_BAD_DESTINATION), no route from here
    // (ERROR_NETWORK_UNREACHABLE, ERROR_HOST_UNREACHABLE), a stop (ERROR_CANCELLED), ...
    // Appends one record per hop; a stop keeps every hop finished by then.
    BOOL Trace(const std::string& host, CHopResultArray& hops, BYTE maxHops, DWORD timeoutMs,
               DWORD probesPerHop);
    // FALSE only when no echo handle could be opened; an unanswered probe is reported
    // in reply.dwError.
    BOOL Ping(IPAddr address, PingReply& reply, BYTE ttl, DWORD timeoutMs, BYTE dataSize);
    // Starts the socket and echo libraries once per process; TRUE when all entry points exist.
    static BOOL Initialise();

    void SetSchedule(ESchedule schedule) { m_eSchedule = schedule; }
    ESchedule GetSchedule() const { return m_eSchedule; }
    // The schedule that a profile value names: exactly "sequential", else parallel.
    static ESchedule ScheduleFromText(const std::string& text);
    // The host as a dotted IPv4 address, else its first address by name; FALSE with the
    // resolver's error.
    static BOOL ResolveTarget(const std::string& host, IPAddr& target);
    // True for the answers that end a route where they come from: destination unreachable
    // of every kind.
    static bool EndsRoute(DWORD status);
    // The trace's failure when the first probe of TTL 1 could not go out for want of a route
    // (the status of the send, not of an answer); 0 for every other status.
    static DWORD NoRouteFailure(DWORD status);

    // After a Trace that returned TRUE: the IP_STATUS of the destination-unreachable answer
    // that ended it at its last hop, 0 when it ended otherwise.
    DWORD GetUnreachableStatus() const { return m_dwUnreachable; }

protected:
    virtual BOOL OnPingResult(int probeNumber, PingReply& reply);
    virtual BOOL OnSingleHostResult(int hopNumber, HopResult& hop);
    // The parallel schedule tells, before the hop is finished, which node answered one of
    // its probes, so that work on it (a name lookup) can start early.
    virtual void OnHopAddress(int hopNumber, IPAddr address);
    // Every Trace ends here, however it ends; nothing started for it may outlive it.
    virtual void OnTraceEnd();

private:
    friend class CProbeScheduler;

    BOOL TraceResolved(const std::string& host, CHopResultArray& hops, BYTE maxHops, DWORD timeoutMs,
                       DWORD probesPerHop);
    BOOL TraceSequential(IPAddr target, CHopResultArray& hops, BYTE maxHops, DWORD timeoutMs, DWORD probesPerHop);
    // One TTL: FALSE when the trace must end with failure (last error set). unreachable
    // gets the status of the hop's first answer that ends the route, else 0.
    BOOL TraceHop(IPAddr target, BYTE ttl, DWORD timeoutMs, DWORD probesPerHop, HopResult& hop,
                  DWORD& unreachable);

    ESchedule m_eSchedule = ESchedule::Parallel;
    DWORD m_dwUnreachable = 0;  // IP_STATUS, see GetUnreachableStatus
    DWORD m_dwAnswerStatus = 0; // IP_STATUS of the reply that Ping last stored
};
