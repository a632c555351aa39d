#pragma once
// Finds the route to an IPv4 host with echo requests of rising TTL, synchronously.
// A subclass watches each answered probe and each finished hop through the two
// callbacks; it has no user interface and no text of its own.

#include "HopResultArray.h"
#include "TraceRecords.h"

#include <string>

class CRouteTracer {
public:
    virtual ~CRouteTracer() = default;

    // TRUE when the trace ran to its end (target reached or hop limit passed); FALSE on
    // failure with the code in the thread's last-error value. Appends one record per hop.
    // WSACancelBlockingCall on this thread stops it: FALSE with ERROR_CANCELLED, keeping
    // the records appended so far.
    BOOL Trace(const std::string& host, CHopResultArray& hops, BYTE maxHops, DWORD timeoutMs,
               DWORD probesPerHop);
    // FALSE only when no echo handle could be opened; an unanswered probe is reported
    // in reply.dwError.
    BOOL Ping(IPAddr address, PingReply& reply, BYTE ttl, DWORD timeoutMs, BYTE dataSize);
    // Starts the socket and echo libraries once per process; TRUE when all entry points exist.
    static BOOL Initialise();

protected:
    virtual BOOL OnPingResult(int probeNumber, PingReply& reply);
    virtual BOOL OnSingleHostResult(int hopNumber, HopResult& hop);

private:
    static BOOL ResolveTarget(const std::string& host, IPAddr& target);
    // FALSE, with ERROR_CANCELLED as the last error when the blocking calls were cancelled.
    static BOOL FailIfCancelled();
    // One TTL: FALSE when the trace must end with failure (last error set).
    BOOL TraceHop(IPAddr target, BYTE ttl, DWORD timeoutMs, DWORD probesPerHop, HopResult& hop);
};
