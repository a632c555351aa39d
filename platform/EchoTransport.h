#pragma once
// What an echo request that completes later needs of the thing that carries it: send one
// request without waiting, and read the answers that have come in without blocking. The
// pollable descriptor tells when answers may be waiting. Ping and raw sockets are one
// transport; anything else with a descriptor (a pipe to a helper, say) can be another.

#include "EchoAnswer.h"
#include "EchoMatcher.h"
#include "IcmpApi.h"

#include <chrono>
#include <functional>
#include <optional>
#include <span>

namespace win {

struct CEchoReceived {
    CEchoAnswer m_answer;          // its m_data is empty; the echoed bytes went to the caller's room
    std::size_t m_dataSize = 0;    // bytes of echoed data copied into that room
    std::chrono::steady_clock::duration m_roundTrip{}; // from the send to the receipt of the answer
    // IP_STATUS when no answer came and the carrier already knows why (a helper that
    // probes on the process's behalf reports its own time-outs and failed sends); 0 else.
    DWORD m_failure = 0;
};

// What one request that was waited for came to.
struct CEchoOutcome {
    DWORD m_failure = 0;                     // IP_STATUS of a local failure; 0 when the request went out
    std::optional<CEchoReceived> m_received; // none: no answer in time
};

// One request that waits for its answer.
struct CEchoWaiting {
    const CEchoMatcher* m_matcher = nullptr;
    std::chrono::steady_clock::time_point m_sent;
    std::span<BYTE> m_dataRoom; // where an echo reply's data goes
};

class CEchoTransport {
public:
    using Clock = std::chrono::steady_clock;
    using FoundProc = std::function<void(std::size_t waitingIndex, const CEchoReceived& received)>;

    virtual ~CEchoTransport() = default;

    // Readable (POLLIN or POLLERR) when answers may be waiting.
    virtual int PollFd() const = 0;
    // Sends one request; 0 when it went out (sequence and sent filled in), else its IP_STATUS.
    // timeout: how long the request will be waited for. discardLeftovers: nothing else
    // waits on this transport, so what lies queued is stale.
    virtual DWORD SendRequest(const CIpAddress& destination, const IP_OPTION_INFORMATION* options, std::span<const BYTE> data,
                              std::chrono::milliseconds timeout, bool discardLeftovers, WORD& sequence,
                              Clock::time_point& sent) = 0;
    // Reads what has come in, without blocking, and calls found for each answer to one of
    // the waiting requests. events: what the poll of PollFd() reported.
    virtual void ReadAnswers(std::span<const CEchoWaiting> waiting, short events, const FoundProc& found) = 0;
    // The identifier its requests carry.
    virtual WORD Identifier() const = 0;
    // No answer to the request with this sequence number is wanted any more (its time ran
    // out, or its handle closed).
    virtual void Forget(WORD) {}
    // How long a wait may rely on PollFd() alone. A transport that another thread may read
    // for (and so take its answers out of the descriptor) is read again after this long
    // even when its descriptor stayed quiet.
    virtual Clock::duration LongestPoll() const { return Clock::duration::max(); }
};

} // namespace win
