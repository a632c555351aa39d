#pragma once
// The helper's work once its privileges are gone: reads checked requests from the parent,
// sends each as an ICMP or ICMPv6 echo request on the raw socket of its family, and answers each with what
// answered it (or why nothing did) by the request's token. Many requests may be in
// flight, up to a fixed number (beyond it a request is answered IP_NO_RESOURCES at once;
// a cancelled request leaves its place);
// beyond a fixed rate requests wait their turn, their time limit running from their
// send. It never passes on received bytes.

#include "EchoMatcher.h"
#include "ProbeProtocol.h"
#include "ProbeRequestReader.h"

#include <chrono>
#include <string>
#include <vector>

class CProbeServer {
public:
    using Clock = std::chrono::steady_clock;

    // rawSocket, rawSocket6: open raw ICMP and ICMPv6 sockets, which the server then owns;
    // rawSocket6 is -1 where the machine has no IPv6 (its requests then find no route).
    // startBudget: the requests it may send at once before its rate sets in
    // (CProbeStartBudget).
    CProbeServer(int rawSocket, int rawSocket6, double startBudget);
    ~CProbeServer();
    CProbeServer(const CProbeServer&) = delete;
    CProbeServer& operator=(const CProbeServer&) = delete;

    // Serves requests from input, answers to output, until input closes (0) or brings a
    // bad request (2) or a descriptor fails (1).
    int Run(int input, int output);

private:
    struct CInFlight {
        win::CProbeRequest m_request;
        win::CEchoMatcher m_matcher;
        Clock::time_point m_sent;
        Clock::time_point m_deadline;
    };
    struct CQueued {
        win::CProbeRequest m_request;
    };
    enum class EInput { Open, Closed, Bad };

    EInput ReadRequests(int input);
    void Accept(const win::CProbeRequest& request);
    void Cancel(DWORD token);
    void SendQueued();
    void Send(const CQueued& queued);
    void RefillRate(Clock::time_point now);
    void ReadAnswers(int socket);
    bool SendPacket(const win::CProbeRequest& request, WORD sequence, DWORD& failure);
    void ExpireDue(Clock::time_point now);
    int PollTimeoutMs(Clock::time_point now) const;
    void Answer(const win::CProbeAnswer& answer);
    void Fail(DWORD token, DWORD status);
    bool Flush(int output);

    int m_socket;
    int m_socket6;
    WORD m_identifier;
    WORD m_sequence = 0;
    CProbeRequestReader m_reader;
    std::vector<CInFlight> m_inFlight;
    std::vector<CQueued> m_queued; // in arrival order, waiting for the rate
    std::vector<BYTE> m_packet;  // the request being sent
    std::vector<BYTE> m_buffer;  // one received packet
    std::string m_output;        // answers not yet written
    double m_rateTokens;         // requests that may be sent now, fractions included
    Clock::time_point m_rateTime;
};
