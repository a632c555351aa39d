#pragma once
// Echo requests carried by the privileged helper quorail-probe, for a process that may open
// no ICMP socket of its own: one at a time and waited for (Echo), or many that complete
// later (the transport's calls). A request's token is kept under its sequence number until
// its answer is handed over or its time is up; answers that nobody waits for are dropped.

#include "EchoTransport.h"
#include "ProbeClient.h"

#include <memory>
#include <mutex>
#include <vector>

namespace win {

class CProbeTransport : public CEchoTransport {
public:
    explicit CProbeTransport(std::shared_ptr<CProbeClient> client);
    ~CProbeTransport() override;
    CProbeTransport(const CProbeTransport&) = delete;
    CProbeTransport& operator=(const CProbeTransport&) = delete;

    // Sends one request and waits for its answer (see CProbeClient::Echo).
    CEchoOutcome Echo(const CIpAddress& destination, const IP_OPTION_INFORMATION* options, std::span<const BYTE> data,
                      DWORD timeoutMs);

    int PollFd() const override;
    // IP_NO_RESOURCES, with nothing sent, when the helper would not send it at once.
    DWORD SendRequest(const CIpAddress& destination, const IP_OPTION_INFORMATION* options, std::span<const BYTE> data,
                      std::chrono::milliseconds timeout, bool discardLeftovers, WORD& sequence,
                      Clock::time_point& sent) override;
    void ReadAnswers(std::span<const CEchoWaiting> waiting, short events, const FoundProc& found) override;
    WORD Identifier() const override;
    // Cancels the request at the helper, so that it no longer takes a place there.
    void Forget(WORD sequence) override;
    // A waiter of Echo on another thread may read this transport's answers.
    Clock::duration LongestPoll() const override;

    // The helper sends only what the trace engine needs: a TTL and no other option, up to
    // 255 data bytes of its own, to unicast addresses of either family (link-local ones
    // with their interface). 0, with the TTL to send, when the
    // request is one it may send; else the IP_STATUS that refuses it.
    static DWORD CheckRequest(const CIpAddress& destination, const IP_OPTION_INFORMATION* options, std::span<const BYTE> data,
                              BYTE& ttl);

private:
    struct CPending {
        WORD m_sequence = 0;
        DWORD m_token = 0;
        std::shared_ptr<CProbeClient> m_client; // the helper that carries it
        Clock::time_point m_expires;            // its time limit and the grace, from its send
    };

    std::shared_ptr<CProbeClient> LiveClient();
    void Forget(std::vector<CPending>::iterator first, std::vector<CPending>::iterator last);
    void ForgetExpired(Clock::time_point now);
    static CEchoReceived Received(const CProbeAnswer& answer);

    mutable std::mutex m_lock;
    std::shared_ptr<CProbeClient> m_client; // replaced by a new helper once this one ended
    std::vector<CPending> m_pending;
    WORD m_nextSequence = 0;
};

} // namespace win
