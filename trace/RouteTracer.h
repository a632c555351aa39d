#pragma once
// Finds the route to an IPv4 or IPv6 host with echo requests of rising TTL (hop limit); Trace returns when
// the trace is over. A subclass watches each answered probe and each finished hop through
// the two callbacks, which run on the calling thread in hop and probe order whichever
// schedule probes; it has no user interface and no text of its own.

#include "HopResultArray.h"
#include "TraceRecords.h"

#include <string>

class CRouteTracer {
public:
    // Parallel: the hops are probed side by side (where the echo library can) and a probe
    // may be given up early on the path's evidence. Sequential: one probe after the other,
    // each waiting its whole timeout. Both give the same records for the same answers.
    enum class ESchedule { Parallel, Sequential };
    // Which addresses of a name count: any, in the system's order of preference, or one family.
    enum class EFamily { Any, V4, V6 };

    virtual ~CRouteTracer() = default;

    // TRUE when the trace ran to its end (target reached, a router's destination-unreachable
    // answer, or hop limit passed); FALSE on failure with the code in the thread's last-error
    // value: a target that is no unicast address (IP_BAD_DESTINATION), no route from here
    // (WSAENETUNREACH, WSAEHOSTUNREACH), a stop (ERROR_CANCELLED), ...
    // Appends one record per hop; a stop keeps every hop finished by then.
    BOOL Trace(const std::string& host, CHopResultArray& hops, BYTE maxHops, DWORD timeoutMs,
               DWORD probesPerHop);
    // FALSE only when no echo handle could be opened; an unanswered probe is reported
    // in reply.dwError.
    BOOL Ping(const win::CIpAddress& address, PingReply& reply, BYTE ttl, DWORD timeoutMs, BYTE dataSize);
    // Starts the socket and echo libraries once per process; TRUE when all entry points exist.
    static BOOL Initialise();

    void SetSchedule(ESchedule schedule) { m_eSchedule = schedule; }
    ESchedule GetSchedule() const { return m_eSchedule; }
    void SetFamily(EFamily family) { m_eFamily = family; }
    EFamily GetFamily() const { return m_eFamily; }
    // The schedule that a profile value names: exactly "sequential", else parallel.
    static ESchedule ScheduleFromText(const std::string& text);
    // The host as an address literal (dotted IPv4, IPv6 also in brackets or with a zone),
    // else its first address of the family by name, in the system's order; FALSE with the
    // resolver's error (WSAHOST_NOT_FOUND for a malformed literal or a link-local one
    // without its zone, WSANO_DATA when the name has no address of a forced family).
    static BOOL ResolveTarget(const std::string& host, win::CIpAddress& target, EFamily family = EFamily::Any);
    // FALSE, with WSAENETUNREACH, when the machine has no route to target at all (no
    // IPv6 route, say); asks the kernel and sends nothing.
    static BOOL CheckRoute(const win::CIpAddress& target);
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
    virtual void OnHopAddress(int hopNumber, const win::CIpAddress& address);
    // Every Trace ends here, however it ends; nothing started for it may outlive it.
    virtual void OnTraceEnd();

private:
    friend class CProbeScheduler;

    BOOL TraceResolved(const std::string& host, CHopResultArray& hops, BYTE maxHops, DWORD timeoutMs,
                       DWORD probesPerHop);
    BOOL TraceSequential(const win::CIpAddress& target, CHopResultArray& hops, BYTE maxHops, DWORD timeoutMs,
                         DWORD probesPerHop);
    // One TTL: FALSE when the trace must end with failure (last error set). unreachable
    // gets the status of the hop's first answer that ends the route, else 0.
    BOOL TraceHop(const win::CIpAddress& target, BYTE ttl, DWORD timeoutMs, DWORD probesPerHop, HopResult& hop,
                  DWORD& unreachable);

    ESchedule m_eSchedule = ESchedule::Parallel;
    EFamily m_eFamily = EFamily::Any;
    DWORD m_dwUnreachable = 0;  // IP_STATUS, see GetUnreachableStatus
    DWORD m_dwAnswerStatus = 0; // IP_STATUS of the reply that Ping last stored
};
