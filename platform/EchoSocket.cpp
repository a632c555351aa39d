#include "EchoSocket.h"

#include "BlockingHook.h"
#include "IcmpPacket.h"
#include "ProbeTransport.h"
#include "ReceiveStamp.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <linux/errqueue.h>
#include <linux/icmp.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace win {

namespace {

constexpr std::size_t kMaxPacketSize = 65536;
constexpr std::size_t kControlSize = 512;
// A busy machine can keep a raw socket full; the wait looks at its clock between batches.
constexpr int kMaxReadsPerDrain = 64;
// A pending socket error fails one plain read; more failures in a row mean a real fault.
constexpr int kMaxFailuresPerDrain = 2;
constexpr BYTE kFlagDontFragment = 0x02; // IP_FLAG_DF of the option flags
// Sends tried while ICMP errors about other requests keep setting the socket's error; a
// failure of the socket's own (no route, say) repeats on every try.
constexpr int kMaxSendAttempts = 8;
constexpr int kReceiveBuffer = 1 << 20; // bytes asked for; the kernel doubles it for its overhead

// Windows error codes for a socket that cannot be opened.
constexpr DWORD kErrorTooManyOpenFiles = 4;
constexpr DWORD kErrorNotSupported = 50;
constexpr DWORD kErrorGenFailure = 31;

} // namespace

struct CEchoSocket::CControl {
    std::optional<timespec> m_stamp; // kernel's receive time, realtime clock
    int m_ttl = -1;
    int m_tos = -1;
    std::optional<CEchoMatcher::CQueuedError> m_error;
};

CEchoSocket::CEchoSocket(int fd, EKind kind, CIpAddress::EFamily family)
    : m_fd(fd)
    , m_kind(kind)
    , m_family(family)
    , m_buffer(kMaxPacketSize)
    , m_control(kControlSize)
{
    m_request.reserve(CIcmpPacket::kHeaderSize + 1024);
}

CEchoSocket::~CEchoSocket()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::unique_ptr<CEchoSocket> CEchoSocket::Open(int& error)
{
    return Open(CIpAddress::EFamily::V4, error);
}

std::unique_ptr<CEchoSocket> CEchoSocket::Open(EKind kind, int& error)
{
    return Open(kind, CIpAddress::EFamily::V4, error);
}

std::unique_ptr<CEchoSocket> CEchoSocket::Open(CIpAddress::EFamily family, int& error)
{
    std::unique_ptr<CEchoSocket> socket = Open(EKind::Datagram, family, error);
    if (!socket)
        socket = Open(EKind::Raw, family, error);
    if (!socket && (error == EPERM || error == EACCES))
        socket = OpenHelper(family, error);
    return socket;
}

// Without a helper to be found, the raw socket's refusal stays the reason. One helper
// serves both families.
std::unique_ptr<CEchoSocket> CEchoSocket::OpenHelper(CIpAddress::EFamily family, int& error)
{
    int helperError = 0;
    std::shared_ptr<CProbeClient> helper = CProbeClient::Shared(helperError);
    if (!helper) {
        if (helperError != ENOENT)
            error = helperError;
        return nullptr;
    }
    std::unique_ptr<CEchoSocket> socket(new CEchoSocket(-1, EKind::Helper, family));
    socket->m_probe = std::make_unique<CProbeTransport>(std::move(helper));
    return socket;
}

std::unique_ptr<CEchoSocket> CEchoSocket::Open(EKind kind, CIpAddress::EFamily family, int& error)
{
    if (kind == EKind::Helper)
        return OpenHelper(family, error);
    const bool v6 = family == CIpAddress::EFamily::V6;
    const int type = kind == EKind::Datagram ? SOCK_DGRAM : SOCK_RAW;
    const int fd = ::socket(v6 ? AF_INET6 : AF_INET, type | SOCK_CLOEXEC, v6 ? IPPROTO_ICMPV6 : IPPROTO_ICMP);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    std::unique_ptr<CEchoSocket> socket(new CEchoSocket(fd, kind, family));
    error = v6 ? socket->Prepare6() : socket->Prepare();
    if (error != 0)
        return nullptr;
    return socket;
}

CEchoSocket::EKind CEchoSocket::Kind() const
{
    return m_kind;
}

CIpAddress::EFamily CEchoSocket::Family() const
{
    return m_family;
}

WORD CEchoSocket::Identifier() const
{
    return m_identifier;
}

const CEchoSocket::COrigin& CEchoSocket::Origin() const
{
    return m_origin;
}

void CEchoSocket::SetOrigin(const COrigin& origin)
{
    m_origin = origin;
}

bool CEchoSocket::COrigin::SameOwner(const COrigin& other) const
{
    return m_pid == other.m_pid && m_netns == other.m_netns && m_netnsDevice == other.m_netnsDevice &&
           m_euid == other.m_euid && m_egid == other.m_egid;
}

int CEchoSocket::Prepare()
{
    const int on = 1;
    if (::setsockopt(m_fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0)
        return errno;
    // A raw socket hears every ICMP message of the host; the answers to a trace's 90
    // probes with what comes around them can fill the default buffer before a busy
    // process reads, and the kernel then drops answers. Root may go past rmem_max.
    if (::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBuffer, sizeof kReceiveBuffer) != 0)
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &kReceiveBuffer, sizeof kReceiveBuffer);
    if (m_kind == EKind::Raw) {
        // Only the messages that can answer an echo request wake the wait.
        icmp_filter filter{~((1u << ICMP_ECHOREPLY) | (1u << ICMP_DEST_UNREACH) | (1u << ICMP_SOURCE_QUENCH) |
                             (1u << ICMP_TIME_EXCEEDED) | (1u << ICMP_PARAMETERPROB))};
        if (::setsockopt(m_fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter) != 0)
            return errno;
        m_identifier = static_cast<WORD>(::getpid());
        return 0;
    }
    // A datagram socket hears of routers' answers only through its error queue.
    for (int option : {IP_RECVERR, IP_RECVTTL, IP_RECVTOS}) {
        if (::setsockopt(m_fd, IPPROTO_IP, option, &on, sizeof on) != 0)
            return errno;
    }
    return BindForIdentifier();
}

int CEchoSocket::Prepare6()
{
    const int on = 1;
    if (::setsockopt(m_fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0 ||
        ::setsockopt(m_fd, IPPROTO_IPV6, IPV6_RECVHOPLIMIT, &on, sizeof on) != 0 ||
        ::setsockopt(m_fd, IPPROTO_IPV6, IPV6_RECVTCLASS, &on, sizeof on) != 0)
        return errno;
    if (m_kind == EKind::Raw) {
        icmp6_filter filter{};
        ICMP6_FILTER_SETBLOCKALL(&filter);
        for (const int type : {ICMP6_ECHO_REPLY, ICMP6_DST_UNREACH, ICMP6_PACKET_TOO_BIG, ICMP6_TIME_EXCEEDED,
                               ICMP6_PARAM_PROB})
            ICMP6_FILTER_SETPASS(type, &filter);
        if (::setsockopt(m_fd, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter) != 0)
            return errno;
        m_identifier = static_cast<WORD>(::getpid());
        return 0;
    }
    if (::setsockopt(m_fd, IPPROTO_IPV6, IPV6_RECVERR, &on, sizeof on) != 0)
        return errno;
    return BindForIdentifier();
}

// Binding to port 0 lets the kernel choose the identifier now, so that it can be read back.
int CEchoSocket::BindForIdentifier()
{
    sockaddr_storage local{};
    local.ss_family = m_family == CIpAddress::EFamily::V6 ? AF_INET6 : AF_INET;
    socklen_t length = local.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&local), length) != 0 ||
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return errno;
    // The port lies at the same place in both address forms.
    m_identifier = ntohs(reinterpret_cast<const sockaddr_in*>(&local)->sin_port);
    return 0;
}

// errno -> Windows error for IcmpCreateFile:
//   EPERM, EACCES                            -> ERROR_ACCESS_DENIED (5): neither kind is permitted
//   EMFILE, ENFILE                           -> ERROR_TOO_MANY_OPEN_FILES (4)
//   ENOMEM, ENOBUFS                          -> ERROR_NOT_ENOUGH_MEMORY (8)
//   EAFNOSUPPORT, EPROTONOSUPPORT, ESOCKTNOSUPPORT -> ERROR_NOT_SUPPORTED (50): no IPv4 or ICMP
//   anything else                            -> ERROR_GEN_FAILURE (31)
DWORD CEchoSocket::ErrorForOpen(int error)
{
    switch (error) {
    case EPERM:
    case EACCES:
        return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE:
        return kErrorTooManyOpenFiles;
    case ENOMEM:
    case ENOBUFS:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EAFNOSUPPORT:
    case EPROTONOSUPPORT:
    case ESOCKTNOSUPPORT:
        return kErrorNotSupported;
    default:
        return kErrorGenFailure;
    }
}

CEchoSocket::COutcome CEchoSocket::Echo(const CIpAddress& destination, const IP_OPTION_INFORMATION* options,
                                        std::span<const BYTE> data, DWORD timeoutMs, std::span<BYTE> dataRoom)
{
    if (m_kind == EKind::Helper)
        return m_probe->Echo(destination, options, data, timeoutMs);
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    COutcome outcome;
    WORD sequence = 0;
    Clock::time_point sent;
    outcome.m_failure =
        SendRequest(destination, options, data, std::chrono::milliseconds(timeoutMs), true, sequence, sent);
    if (outcome.m_failure != 0)
        return outcome;
    const CEchoMatcher matcher(destination, m_identifier, sequence);
    outcome.m_received = Wait({matcher, sent, sent + std::chrono::milliseconds(timeoutMs), dataRoom});
    return outcome;
}

int CEchoSocket::PollFd() const
{
    return m_kind == EKind::Helper ? m_probe->PollFd() : m_fd;
}

DWORD CEchoSocket::SendRequest(const CIpAddress& destination, const IP_OPTION_INFORMATION* options, std::span<const BYTE> data,
                               std::chrono::milliseconds timeout, bool discardLeftovers, WORD& sequence,
                               Clock::time_point& sent)
{
    if (m_kind == EKind::Helper)
        return m_probe->SendRequest(destination, options, data, timeout, discardLeftovers, sequence, sent);
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (destination.IsV6() != (m_family == CIpAddress::EFamily::V6))
        return IP_BAD_DESTINATION;
    if (discardLeftovers && PollFor(Clock::duration::zero()) != 0)
        DiscardQueued();
    if (!(destination.IsV6() ? ApplyOptions6(options) : ApplyOptions(options)))
        return IP_BAD_OPTION;
    sequence = NextSequence();
    sent = Clock::now();
    // Every ICMP error that reaches the socket (a late or duplicate answer to an earlier
    // request, another request's answer) also sets the socket's error, which fails the next
    // send and is cleared by it. Errors that arrive in a burst can fail several sends in a
    // row, so the send is tried again with the error cleared; queued answers stay queued.
    int error = 0;
    for (int attempt = 0; attempt < kMaxSendAttempts; ++attempt) {
        ClearSocketError();
        sent = Clock::now();
        error = Send(destination, sequence, data);
        if (error == 0)
            return 0;
    }
    return CEchoMatcher::StatusForSend(error);
}

void CEchoSocket::ReadAnswers(std::span<const CEchoWaiting> waiting, short events, const FoundProc& found)
{
    if (m_kind == EKind::Helper) {
        m_probe->ReadAnswers(waiting, events, found);
        return;
    }
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    DrainAll(waiting, events, found);
}

void CEchoSocket::Forget(WORD sequence)
{
    if (m_kind == EKind::Helper)
        m_probe->Forget(sequence);
}

CEchoSocket::Clock::duration CEchoSocket::LongestPoll() const
{
    return m_kind == EKind::Helper ? m_probe->LongestPoll() : Clock::duration::max();
}

// Sets only what differs from the socket's present options.
bool CEchoSocket::ApplyOptions(const IP_OPTION_INFORMATION* options)
{
    const int ttl = options != nullptr ? options->Ttl : -1; // -1: the system's default
    const int tos = options != nullptr ? options->Tos : 0;
    const bool dontFragment = options != nullptr && (options->Flags & kFlagDontFragment) != 0;
    const int discovery = dontFragment ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT;
    const bool withIpOptions = options != nullptr && options->OptionsSize > 0 && options->OptionsData != nullptr;
    if (!SetOption(IPPROTO_IP, IP_TTL, ttl, m_ttl) || !SetOption(IPPROTO_IP, IP_TOS, tos, m_tos) ||
        !SetOption(IPPROTO_IP, IP_MTU_DISCOVER, discovery, m_discovery))
        return false;
    if (!withIpOptions && !m_hasIpOptions)
        return true;
    // Unknown until set: a failed attempt may have left the old options or none.
    m_hasIpOptions = true;
    if (::setsockopt(m_fd, IPPROTO_IP, IP_OPTIONS, withIpOptions ? options->OptionsData : nullptr,
                     withIpOptions ? options->OptionsSize : 0) != 0)
        return false;
    m_hasIpOptions = withIpOptions;
    return true;
}

// IPv6 has no options of the IPv4 kind and routers never fragment, so only the hop limit,
// the traffic class and whether this end may fragment count.
bool CEchoSocket::ApplyOptions6(const IP_OPTION_INFORMATION* options)
{
    const int hops = options != nullptr ? options->Ttl : -1; // -1: the system's default
    const int tclass = options != nullptr ? options->Tos : 0;
    const bool dontFragment = options != nullptr && (options->Flags & kFlagDontFragment) != 0;
    const int discovery = dontFragment ? IPV6_PMTUDISC_DO : IPV6_PMTUDISC_DONT;
    return SetOption(IPPROTO_IPV6, IPV6_UNICAST_HOPS, hops, m_ttl) &&
           SetOption(IPPROTO_IPV6, IPV6_TCLASS, tclass, m_tos) &&
           SetOption(IPPROTO_IPV6, IPV6_MTU_DISCOVER, discovery, m_discovery);
}

bool CEchoSocket::SetOption(int level, int option, int value, int& current)
{
    if (value == current)
        return true;
    current = kUnknown;
    if (::setsockopt(m_fd, level, option, &value, sizeof value) != 0)
        return false;
    current = value;
    return true;
}

int CEchoSocket::Send(const CIpAddress& destination, WORD sequence, std::span<const BYTE> data)
{
    CIcmpPacket::BuildEchoRequest(destination.IsV6(), m_identifier, sequence, data, m_request);
    sockaddr_storage to{};
    socklen_t length = sizeof(sockaddr_in);
    if (destination.IsV6()) {
        destination.ToSockaddr6(reinterpret_cast<sockaddr_in6&>(to));
        length = sizeof(sockaddr_in6);
    } else {
        auto& to4 = reinterpret_cast<sockaddr_in&>(to);
        to4.sin_family = AF_INET;
        to4.sin_addr.s_addr = destination.V4();
    }
    const ssize_t sent =
        ::sendto(m_fd, m_request.data(), m_request.size(), 0, reinterpret_cast<const sockaddr*>(&to), length);
    return sent < 0 ? errno : 0;
}

void CEchoSocket::ClearSocketError()
{
    int pending = 0;
    socklen_t length = sizeof pending;
    ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &pending, &length);
}

// The events waiting on the socket (POLLIN, POLLERR), after at most slice.
short CEchoSocket::PollFor(Clock::duration slice)
{
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(slice).count();
    const timespec timeout{static_cast<time_t>(nanoseconds / 1000000000), static_cast<long>(nanoseconds % 1000000000)};
    pollfd entry{m_fd, POLLIN | POLLERR, 0};
    if (::ppoll(&entry, 1, &timeout, nullptr) <= 0)
        return 0;
    return entry.revents;
}

// Drops what earlier requests left behind.
void CEchoSocket::DiscardQueued()
{
    int errors = 0;
    if (m_kind == EKind::Datagram) {
        while (errors < kMaxReadsPerDrain &&
               ::recv(m_fd, m_buffer.data(), m_buffer.size(), MSG_ERRQUEUE | MSG_DONTWAIT) >= 0)
            ++errors;
    }
    for (int reads = 0; reads < kMaxReadsPerDrain; ++reads) {
        const ssize_t got = ::recv(m_fd, m_buffer.data(), m_buffer.size(), MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
    }
}

std::optional<CEchoSocket::CReceived> CEchoSocket::Wait(const CWait& wait)
{
    Clock::time_point lastHook = Clock::now();
    for (;;) {
        const Clock::time_point now = Clock::now();
        const bool last = now >= wait.m_deadline;
        const short events = PollFor(last ? Clock::duration::zero() : NextSlice(now, wait.m_deadline, lastHook));
        if (std::optional<CReceived> received = Drain(wait, events))
            return received;
        if (last || IsBlockingCallCancelled())
            return std::nullopt;
        if (HasBlockingHook() && Clock::now() - lastHook >= std::chrono::milliseconds(kBlockingHookIntervalMs)) {
            CallBlockingHook();
            lastHook = Clock::now();
        }
    }
}

CEchoSocket::Clock::duration CEchoSocket::NextSlice(Clock::time_point now, Clock::time_point deadline,
                                                    Clock::time_point lastHook) const
{
    Clock::duration slice = deadline - now;
    if (HasBlockingHook())
        slice = std::min(slice, lastHook + std::chrono::milliseconds(kBlockingHookIntervalMs) - now);
    return std::max(slice, Clock::duration::zero());
}

// The error queue is first looked at only when the poll saw POLLERR; the receive queue
// every time, since reading it also clears a socket error that the error queue lacks.
std::optional<CEchoSocket::CReceived> CEchoSocket::Drain(const CWait& wait, short events)
{
    const CEchoWaiting waiting[] = {{&wait.m_matcher, wait.m_sent, wait.m_dataRoom}};
    std::optional<CReceived> matched;
    DrainUntil(waiting, events, [&](std::size_t, const CReceived& received) {
        matched = received;
        return true;
    });
    return matched;
}

void CEchoSocket::DrainAll(std::span<const CEchoWaiting> waiting, short events, const FoundProc& found)
{
    DrainUntil(waiting, events, [&](std::size_t which, const CReceived& received) {
        found(which, received);
        return false;
    });
}

template <typename Found>
void CEchoSocket::DrainUntil(std::span<const CEchoWaiting> waiting, short events, const Found& found)
{
    if (events == 0)
        return;
    CReceived received;
    std::size_t which = 0;
    int failures = 0;
    bool errorQueue = m_kind == EKind::Datagram && (events & POLLERR) != 0;
    for (int reads = 0; reads < kMaxReadsPerDrain; ++reads) {
        ERead result = ERead::Empty;
        if (errorQueue)
            result = ReadOne(waiting, MSG_ERRQUEUE, received, which);
        if (result == ERead::Empty || result == ERead::Failed)
            result = ReadOne(waiting, 0, received, which);
        if (result == ERead::Matched && found(which, received))
            return;
        if (result == ERead::Empty)
            return;
        if (result == ERead::Failed && ++failures > kMaxFailuresPerDrain)
            return;
        errorQueue = m_kind == EKind::Datagram;
    }
}

CEchoSocket::ERead CEchoSocket::ReadOne(std::span<const CEchoWaiting> waiting, int flags, CReceived& received,
                                        std::size_t& which)
{
    sockaddr_storage from{};
    iovec vector{m_buffer.data(), m_buffer.size()};
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &vector;
    message.msg_iovlen = 1;
    message.msg_control = m_control.data();
    message.msg_controllen = m_control.size();
    const ssize_t size = ::recvmsg(m_fd, &message, flags | MSG_DONTWAIT);
    if (size < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK ? ERead::Empty : ERead::Failed;
    const Clock::time_point readAt = Clock::now();
    const std::chrono::nanoseconds readRealtime = CReceiveStamp::RealtimeNow();
    if ((message.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0)
        return ERead::Ignored;
    const CControl control = ParseControl(message);
    const std::span<const BYTE> bytes(m_buffer.data(), static_cast<std::size_t>(size));
    const CIpAddress source = from.ss_family == AF_INET6
                                  ? CIpAddress::FromSockaddr6(reinterpret_cast<const sockaddr_in6&>(from))
                                  : CIpAddress(reinterpret_cast<const sockaddr_in&>(from).sin_addr.s_addr);
    for (which = 0; which < waiting.size(); ++which) {
        const CEchoWaiting& wait = waiting[which];
        const std::optional<CEchoAnswer> answer = Match(*wait.m_matcher, flags, control, source, bytes);
        if (!answer)
            continue;
        received.m_answer = *answer;
        received.m_answer.m_data = {};
        received.m_dataSize = std::min(answer->m_data.size(), wait.m_dataRoom.size());
        std::copy_n(answer->m_data.begin(), received.m_dataSize, wait.m_dataRoom.begin());
        // The time the answer lay queued (behind a blocking hook, say) is no part of the trip.
        received.m_roundTrip = CReceiveStamp::RoundTrip(readAt - wait.m_sent, readRealtime, control.m_stamp);
        return ERead::Matched;
    }
    return ERead::Ignored;
}

std::optional<CEchoAnswer> CEchoSocket::Match(const CEchoMatcher& matcher, int flags, const CControl& control,
                                              const CIpAddress& from, std::span<const BYTE> bytes) const
{
    if (m_kind == EKind::Raw && m_family == CIpAddress::EFamily::V6)
        return matcher.MatchRaw6(bytes, from, static_cast<BYTE>(std::max(control.m_ttl, 0)));
    if (m_kind == EKind::Raw)
        return matcher.MatchRaw(bytes);
    if ((flags & MSG_ERRQUEUE) != 0) {
        if (!control.m_error)
            return std::nullopt;
        CEchoMatcher::CQueuedError error = *control.m_error;
        error.m_quotedDestination = from;
        return matcher.MatchQueuedError(error, bytes);
    }
    std::optional<CEchoAnswer> answer = matcher.MatchDatagram(bytes, from);
    if (answer) {
        answer->m_ttl = static_cast<BYTE>(std::max(control.m_ttl, 0));
        answer->m_tos = static_cast<BYTE>(std::max(control.m_tos, 0));
    }
    return answer;
}

CEchoSocket::CControl CEchoSocket::ParseControl(const msghdr& message)
{
    CControl control;
    control.m_stamp = CReceiveStamp::Find(message);
    for (const cmsghdr* entry = CMSG_FIRSTHDR(&message); entry != nullptr;
         entry = CMSG_NXTHDR(const_cast<msghdr*>(&message), const_cast<cmsghdr*>(entry))) {
        const BYTE* data = CMSG_DATA(entry);
        const std::size_t size = entry->cmsg_len - CMSG_LEN(0);
        if (entry->cmsg_level == IPPROTO_IP && entry->cmsg_type == IP_TTL && size >= sizeof(int)) {
            std::memcpy(&control.m_ttl, data, sizeof(int));
        } else if (entry->cmsg_level == IPPROTO_IP && entry->cmsg_type == IP_TOS && size >= 1) {
            control.m_tos = data[0];
        } else if (entry->cmsg_level == IPPROTO_IP && entry->cmsg_type == IP_RECVERR) {
            control.m_error = ParseQueuedError(data, size, false);
        } else if (entry->cmsg_level == IPPROTO_IPV6 && entry->cmsg_type == IPV6_HOPLIMIT && size >= sizeof(int)) {
            std::memcpy(&control.m_ttl, data, sizeof(int));
        } else if (entry->cmsg_level == IPPROTO_IPV6 && entry->cmsg_type == IPV6_TCLASS && size >= sizeof(int)) {
            std::memcpy(&control.m_tos, data, sizeof(int));
        } else if (entry->cmsg_level == IPPROTO_IPV6 && entry->cmsg_type == IPV6_RECVERR) {
            control.m_error = ParseQueuedError(data, size, true);
        }
    }
    return control;
}

// IP(V6)_RECVERR's data: the extended error, then the offender's address (SO_EE_OFFENDER).
std::optional<CEchoMatcher::CQueuedError> CEchoSocket::ParseQueuedError(const BYTE* data, std::size_t size, bool v6)
{
    if (size < sizeof(sock_extended_err) + (v6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in)))
        return std::nullopt;
    sock_extended_err extended{};
    std::memcpy(&extended, data, sizeof extended);
    CEchoMatcher::CQueuedError error;
    error.m_origin = extended.ee_origin;
    error.m_type = extended.ee_type;
    error.m_code = extended.ee_code;
    if (v6) {
        sockaddr_in6 offender{};
        std::memcpy(&offender, data + sizeof extended, sizeof offender);
        if (offender.sin6_family == AF_INET6)
            error.m_offender = CIpAddress::FromSockaddr6(offender);
        return error;
    }
    sockaddr_in offender{};
    std::memcpy(&offender, data + sizeof extended, sizeof offender);
    error.m_offender = offender.sin_family == AF_INET ? offender.sin_addr.s_addr : 0;
    return error;
}

// Process-wide, so that no two requests of the process share a sequence number (until
// it wraps); it starts at a random value so that successive runs differ.
WORD CEchoSocket::NextSequence()
{
    static std::atomic<unsigned> s_next{std::random_device{}()};
    return static_cast<WORD>(s_next.fetch_add(1, std::memory_order_relaxed));
}

} // namespace win
