#include "ProbeServer.h"

#include "IcmpPacket.h"
#include "ReceiveStamp.h"

#include <algorithm>
#include <cerrno>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxPacketSize = 65536;
constexpr std::size_t kReadSize = 4096;
constexpr int kMaxReadsPerPass = 64;

} // namespace

CProbeServer::CProbeServer(int rawSocket, int rawSocket6, double startBudget)
    : m_socket(rawSocket)
    , m_socket6(rawSocket6)
    , m_identifier(static_cast<WORD>(::getpid()))
    , m_buffer(kMaxPacketSize)
    , m_rateTokens(std::clamp<double>(startBudget, 0, win::CProbeProtocol::kMaxInFlight))
    , m_rateTime(Clock::now())
{
    m_inFlight.reserve(win::CProbeProtocol::kMaxInFlight);
}

CProbeServer::~CProbeServer()
{
    ::close(m_socket);
    if (m_socket6 >= 0)
        ::close(m_socket6);
}

int CProbeServer::Run(int input, int output)
{
    for (;;) {
        pollfd entries[3] = {{input, POLLIN, 0}, {m_socket, POLLIN, 0}, {m_socket6, POLLIN, 0}};
        if (::poll(entries, m_socket6 >= 0 ? 3 : 2, PollTimeoutMs(Clock::now())) < 0 && errno != EINTR)
            return 1;
        if (entries[1].revents != 0)
            ReadAnswers(m_socket);
        if (m_socket6 >= 0 && entries[2].revents != 0)
            ReadAnswers(m_socket6);
        if (entries[0].revents != 0) {
            const EInput state = ReadRequests(input);
            if (state == EInput::Bad)
                return 2;
            if (state == EInput::Closed)
                return 0;
        }
        ExpireDue(Clock::now());
        SendQueued();
        if (!Flush(output))
            return 1;
    }
}

CProbeServer::EInput CProbeServer::ReadRequests(int input)
{
    char bytes[kReadSize];
    const ssize_t got = ::read(input, bytes, sizeof bytes);
    if (got < 0)
        return errno == EINTR || errno == EAGAIN ? EInput::Open : EInput::Closed;
    if (got == 0)
        return EInput::Closed;
    m_reader.Feed({bytes, static_cast<std::size_t>(got)});
    for (;;) {
        win::CProbeRequest request;
        const CProbeRequestReader::ERead read = m_reader.Next(request);
        if (read == CProbeRequestReader::ERead::Bad)
            return EInput::Bad;
        if (read == CProbeRequestReader::ERead::NeedMore)
            return EInput::Open;
        Accept(request);
    }
}

void CProbeServer::Accept(const win::CProbeRequest& request)
{
    if (request.m_cancel) {
        Cancel(request.m_token);
        return;
    }
    if (m_inFlight.size() + m_queued.size() >= win::CProbeProtocol::kMaxInFlight) {
        Fail(request.m_token, IP_NO_RESOURCES);
        return;
    }
    m_queued.push_back({request});
    SendQueued();
}

// The request leaves its place in flight or in the queue; an unknown token (answered
// meanwhile) is no fault.
void CProbeServer::Cancel(DWORD token)
{
    std::erase_if(m_inFlight, [token](const CInFlight& waiting) { return waiting.m_request.m_token == token; });
    std::erase_if(m_queued, [token](const CQueued& waiting) { return waiting.m_request.m_token == token; });
}

// Sends what the rate allows now, oldest first.
void CProbeServer::SendQueued()
{
    RefillRate(Clock::now());
    std::size_t sent = 0;
    while (sent < m_queued.size() && m_rateTokens >= 1.0) {
        m_rateTokens -= 1.0;
        Send(m_queued[sent++]);
    }
    m_queued.erase(m_queued.begin(), m_queued.begin() + static_cast<std::ptrdiff_t>(sent));
}

// A bucket that fills at kMaxPerSecond up to kMaxInFlight: bursts as large as the
// in-flight limit, and no more than the rate for longer.
void CProbeServer::RefillRate(Clock::time_point now)
{
    const double seconds = std::chrono::duration<double>(now - m_rateTime).count();
    m_rateTime = now;
    m_rateTokens = std::min<double>(win::CProbeProtocol::kMaxInFlight,
                                    m_rateTokens + seconds * win::CProbeProtocol::kMaxPerSecond);
}

void CProbeServer::Send(const CQueued& queued)
{
    const win::CProbeRequest& request = queued.m_request;
    const WORD sequence = ++m_sequence;
    DWORD failure = 0;
    const Clock::time_point sent = Clock::now();
    if (!SendPacket(request, sequence, failure)) {
        Fail(request.m_token, failure);
        return;
    }
    m_inFlight.push_back({request, win::CEchoMatcher(request.m_destination, m_identifier, sequence), sent,
                          sent + std::chrono::milliseconds(request.m_timeoutMs)});
}

// The hop limit of IPv6 is set as the TTL of IPv4 is, with the one option each family has.
bool CProbeServer::SendPacket(const win::CProbeRequest& request, WORD sequence, DWORD& failure)
{
    const bool v6 = request.m_destination.IsV6();
    const int socket = v6 ? m_socket6 : m_socket;
    if (socket < 0) {
        failure = IP_DEST_NO_ROUTE;
        return false;
    }
    const std::vector<BYTE> data(request.m_dataSize, win::CProbeProtocol::kDataByte);
    win::CIcmpPacket::BuildEchoRequest(v6, m_identifier, sequence, data, m_packet);
    const int ttl = request.m_ttl;
    const int set = v6 ? ::setsockopt(socket, IPPROTO_IPV6, IPV6_UNICAST_HOPS, &ttl, sizeof ttl)
                       : ::setsockopt(socket, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);
    if (set != 0) {
        failure = IP_BAD_OPTION;
        return false;
    }
    sockaddr_storage to{};
    socklen_t length = sizeof(sockaddr_in);
    if (v6) {
        request.m_destination.ToSockaddr6(reinterpret_cast<sockaddr_in6&>(to));
        length = sizeof(sockaddr_in6);
    } else {
        auto& to4 = reinterpret_cast<sockaddr_in&>(to);
        to4.sin_family = AF_INET;
        to4.sin_addr.s_addr = request.m_destination.V4();
    }
    if (::sendto(socket, m_packet.data(), m_packet.size(), 0, reinterpret_cast<const sockaddr*>(&to), length) < 0) {
        failure = win::CEchoMatcher::StatusForSend(errno);
        return false;
    }
    return true;
}

void CProbeServer::ReadAnswers(int socket)
{
    const bool v6 = socket == m_socket6;
    for (int reads = 0; reads < kMaxReadsPerPass; ++reads) {
        iovec vector{m_buffer.data(), m_buffer.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
        sockaddr_in6 from{};
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t size = ::recvmsg(socket, &message, MSG_DONTWAIT);
        if (size < 0)
            return;
        const Clock::time_point received = Clock::now();
        const std::chrono::nanoseconds receivedRealtime = win::CReceiveStamp::RealtimeNow();
        if ((message.msg_flags & MSG_TRUNC) != 0)
            continue;
        const std::span<const BYTE> packet(m_buffer.data(), static_cast<std::size_t>(size));
        for (auto it = m_inFlight.begin(); it != m_inFlight.end(); ++it) {
            const std::optional<win::CEchoAnswer> answer =
                v6 ? it->m_matcher.MatchRaw6(packet, win::CIpAddress::FromSockaddr6(from), 0)
                   : it->m_matcher.MatchRaw(packet);
            if (!answer)
                continue;
            // Timed by the kernel's receive stamp: a busy helper adds nothing to the trip.
            const auto roundTrip = std::chrono::duration_cast<std::chrono::microseconds>(win::CReceiveStamp::RoundTrip(
                received - it->m_sent, receivedRealtime, win::CReceiveStamp::Find(message)));
            Answer({it->m_request.m_token, true, answer->m_status, answer->m_address, roundTrip});
            m_inFlight.erase(it);
            break;
        }
    }
}

void CProbeServer::ExpireDue(Clock::time_point now)
{
    const auto expired = [&](DWORD token, Clock::time_point deadline) {
        if (now < deadline)
            return false;
        Fail(token, IP_REQ_TIMED_OUT);
        return true;
    };
    std::erase_if(m_inFlight, [&](const CInFlight& waiting) { return expired(waiting.m_request.m_token, waiting.m_deadline); });
}

// Until the next time limit, or the next turn of a queued request.
int CProbeServer::PollTimeoutMs(Clock::time_point now) const
{
    std::optional<Clock::time_point> next;
    const auto consider = [&](Clock::time_point when) { next = next ? std::min(*next, when) : when; };
    for (const CInFlight& waiting : m_inFlight)
        consider(waiting.m_deadline);
    if (!m_queued.empty()) {
        const double wait = (1.0 - m_rateTokens) / win::CProbeProtocol::kMaxPerSecond;
        consider(m_rateTime + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(std::max(wait, 0.0))));
    }
    if (!next)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60000));
}

void CProbeServer::Answer(const win::CProbeAnswer& answer)
{
    m_output += win::CProbeProtocol::FormatAnswer(answer);
}

void CProbeServer::Fail(DWORD token, DWORD status)
{
    Answer({token, false, status, {}, {}});
}

bool CProbeServer::Flush(int output)
{
    std::size_t written = 0;
    while (written < m_output.size()) {
        const ssize_t put = ::write(output, m_output.data() + written, m_output.size() - written);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        written += static_cast<std::size_t>(put);
    }
    m_output.clear();
    return true;
}
