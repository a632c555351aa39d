#pragma once
// One ICMP or ICMPv6 socket for echo requests: a datagram ("ping") socket where
// net.ipv4.ping_group_range admits the process (it rules both families), else a raw one,
// else (kind Helper) the privileged helper quorail-probe, which probes on the process's
// behalf (CProbeTransport). A socket carries requests of its own family only.
// Sends a request and waits for the answer to that request alone, or carries requests that
// complete later; which bytes answer is CEchoMatcher's call. IP options that did not change
// since the last request are not set again.

#include "EchoAnswer.h"
#include "EchoMatcher.h"
#include "EchoTransport.h"
#include "IcmpApi.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <sys/types.h>
#include <vector>

struct msghdr;

namespace win {

class CProbeTransport;

class CEchoSocket : public CEchoTransport {
public:
    enum class EKind { Datagram, Raw, Helper };

    using CReceived = CEchoReceived; // the round trip ends at the kernel's receipt of the answer
    using COutcome = CEchoOutcome;
    // The process, network namespace and credentials a socket was opened under, and when.
    struct COrigin {
        pid_t m_pid = 0;
        ino_t m_netns = 0;
        dev_t m_netnsDevice = 0;
        uid_t m_euid = 0;
        gid_t m_egid = 0;
        Clock::time_point m_when;
        bool SameOwner(const COrigin& other) const;
    };

    ~CEchoSocket() override;
    CEchoSocket(const CEchoSocket&) = delete;
    CEchoSocket& operator=(const CEchoSocket&) = delete;

    // A ping socket, else a raw one, else the helper where the process may open
    // neither; null with the errno of the last attempt.
    static std::unique_ptr<CEchoSocket> Open(int& error);
    static std::unique_ptr<CEchoSocket> Open(EKind kind, int& error);
    static std::unique_ptr<CEchoSocket> Open(CIpAddress::EFamily family, int& error);
    static std::unique_ptr<CEchoSocket> Open(EKind kind, CIpAddress::EFamily family, int& error);

    EKind Kind() const;
    CIpAddress::EFamily Family() const;
    WORD Identifier() const override;

    const COrigin& Origin() const;
    void SetOrigin(const COrigin& origin);

    // Sends one echo request and waits at most timeoutMs for its answer; an echo reply's
    // data is copied into dataRoom, as much as fits. Requests on one socket take turns.
    COutcome Echo(const CIpAddress& destination, const IP_OPTION_INFORMATION* options, std::span<const BYTE> data,
                  DWORD timeoutMs, std::span<BYTE> dataRoom);

    int PollFd() const override;
    DWORD SendRequest(const CIpAddress& destination, const IP_OPTION_INFORMATION* options, std::span<const BYTE> data,
                      std::chrono::milliseconds timeout, bool discardLeftovers, WORD& sequence,
                      Clock::time_point& sent) override;
    void ReadAnswers(std::span<const CEchoWaiting> waiting, short events, const FoundProc& found) override;
    void Forget(WORD sequence) override;
    Clock::duration LongestPoll() const override;

    // The Windows error for a socket that could not be opened, from its errno.
    static DWORD ErrorForOpen(int error);

private:
    enum class ERead { Matched, Ignored, Empty, Failed };
    struct CControl;

    CEchoSocket(int fd, EKind kind, CIpAddress::EFamily family);
    static std::unique_ptr<CEchoSocket> OpenHelper(CIpAddress::EFamily family, int& error);
    struct CWait {
        const CEchoMatcher& m_matcher;
        Clock::time_point m_sent;
        Clock::time_point m_deadline;
        std::span<BYTE> m_dataRoom;
    };

    int Prepare();
    int Prepare6();
    int BindForIdentifier();
    bool ApplyOptions(const IP_OPTION_INFORMATION* options);
    bool ApplyOptions6(const IP_OPTION_INFORMATION* options);
    bool SetOption(int level, int option, int value, int& current);
    int Send(const CIpAddress& destination, WORD sequence, std::span<const BYTE> data);
    short PollFor(Clock::duration slice);
    void DiscardQueued();
    void ClearSocketError();
    std::optional<CReceived> Wait(const CWait& wait);
    Clock::duration NextSlice(Clock::time_point now, Clock::time_point deadline, Clock::time_point lastHook) const;
    std::optional<CReceived> Drain(const CWait& wait, short events);
    // Reads until nothing is left (or a batch is done), calling found for each match.
    void DrainAll(std::span<const CEchoWaiting> waiting, short events, const FoundProc& found);
    // found returns true to stop reading.
    template <typename Found>
    void DrainUntil(std::span<const CEchoWaiting> waiting, short events, const Found& found);
    ERead ReadOne(std::span<const CEchoWaiting> waiting, int flags, CReceived& received, std::size_t& which);
    std::optional<CEchoAnswer> Match(const CEchoMatcher& matcher, int flags, const CControl& control,
                                     const CIpAddress& from, std::span<const BYTE> bytes) const;
    static CControl ParseControl(const msghdr& message);
    static std::optional<CEchoMatcher::CQueuedError> ParseQueuedError(const BYTE* data, std::size_t size, bool v6);
    static WORD NextSequence();

    int m_fd = -1;
    EKind m_kind;
    CIpAddress::EFamily m_family;
    std::unique_ptr<CProbeTransport> m_probe; // kind Helper only
    WORD m_identifier = 0;
    COrigin m_origin;
    std::vector<BYTE> m_buffer;  // one received packet, up to the IPv4 maximum
    std::vector<BYTE> m_control; // ancillary data of that packet
    std::vector<BYTE> m_request; // the request being sent
    // What the socket's IP options are set to; kUnknown after a failed attempt.
    static constexpr int kUnknown = -2;
    int m_ttl = -1; // -1: the system's default; the hop limit for IPv6
    int m_tos = 0;  // the traffic class for IPv6
    int m_discovery = kUnknown;
    bool m_hasIpOptions = false;
    std::recursive_mutex m_lock; // recursive: a blocking hook may send on the same thread
};

} // namespace win
