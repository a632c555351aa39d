#pragma once
// One ICMP socket for echo requests: a datagram ("ping") socket where
// net.ipv4.ping_group_range admits the process, else a raw one. Sends a request and
// waits for the answer to that request alone; which bytes answer is CEchoMatcher's call.

#include "EchoAnswer.h"
#include "EchoMatcher.h"
#include "IcmpApi.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

struct msghdr;

namespace win {

class CEchoSocket {
public:
    enum class EKind { Datagram, Raw };
    using Clock = std::chrono::steady_clock;

    struct CReceived {
        CEchoAnswer m_answer;         // its m_data is empty; the echoed bytes are in m_data
        std::vector<BYTE> m_data;     // echoed data of an echo reply
        Clock::duration m_roundTrip{}; // from the send to the kernel's receipt of the answer
    };
    struct COutcome {
        DWORD m_failure = 0;                // IP_STATUS of a local failure; 0 when the request went out
        std::optional<CReceived> m_received; // none: no answer in time
    };

    ~CEchoSocket();
    CEchoSocket(const CEchoSocket&) = delete;
    CEchoSocket& operator=(const CEchoSocket&) = delete;

    // The preferred kind, else the other; null with the errno of the last attempt.
    static std::unique_ptr<CEchoSocket> Open(int& error);
    static std::unique_ptr<CEchoSocket> Open(EKind kind, int& error);

    EKind Kind() const;
    WORD Identifier() const;

    // Sends one echo request and waits at most timeoutMs for its answer. Requests on one
    // socket take turns.
    COutcome Echo(IPAddr destination, const IP_OPTION_INFORMATION* options, std::span<const BYTE> data,
                  DWORD timeoutMs);

    // The Windows error for a socket that could not be opened, from its errno.
    static DWORD ErrorForOpen(int error);
    // The IP_STATUS for an echo request that could not be sent, from its errno.
    static DWORD StatusForSend(int error);

private:
    enum class ERead { Matched, Ignored, Empty, Failed };
    struct CControl;

    CEchoSocket(int fd, EKind kind);
    int Prepare();
    bool ApplyOptions(const IP_OPTION_INFORMATION* options);
    int Send(IPAddr destination, WORD sequence, std::span<const BYTE> data);
    int DiscardQueued();
    std::optional<CReceived> Wait(const CEchoMatcher& matcher, Clock::time_point sent, Clock::time_point deadline);
    Clock::duration NextSlice(Clock::time_point now, Clock::time_point deadline, Clock::time_point lastHook) const;
    void PollFor(Clock::duration slice);
    std::optional<CReceived> Drain(const CEchoMatcher& matcher, Clock::time_point sent);
    ERead ReadOne(const CEchoMatcher& matcher, int flags, Clock::time_point sent, CReceived& received);
    std::optional<CEchoAnswer> Match(const CEchoMatcher& matcher, int flags, const CControl& control, IPAddr from,
                                     std::span<const BYTE> bytes) const;
    static Clock::duration RoundTrip(Clock::duration elapsed, std::chrono::nanoseconds readRealtime,
                                     const std::optional<timespec>& stamp);
    static CControl ParseControl(const msghdr& message);
    static CEchoMatcher::CQueuedError ParseQueuedError(const BYTE* data);
    static WORD NextSequence();

    int m_fd = -1;
    EKind m_kind;
    WORD m_identifier = 0;
    std::vector<BYTE> m_buffer;  // one received packet, up to the IPv4 maximum
    std::vector<BYTE> m_control; // ancillary data of that packet
    std::recursive_mutex m_lock; // recursive: a blocking hook may send on the same thread
};

} // namespace win
