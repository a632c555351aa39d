#include "EchoRequests.h"

#include "AlertableWait.h"
#include "EchoHandleTable.h"

#include <algorithm>
#include <cstring>

namespace win {

namespace {
constexpr USHORT kStoredReply = 1; // the record's Reserved field: an answer is stored, plus its finer microseconds
}

CEchoRequests& CEchoRequests::Current()
{
    thread_local CEchoRequests t_requests;
    AddAlertableSource(&t_requests);
    return t_requests;
}

DWORD CEchoRequests::Start(CRequest request, const IP_OPTION_INFORMATION* options, std::span<const BYTE> data)
{
    const bool alone = !IsWaitingOn(request.m_transport.get());
    const DWORD failure = request.m_transport->SendRequest(request.m_destination, options, data, request.m_timeout,
                                                           alone, request.m_sequence, request.m_sent);
    if (failure != 0)
        return failure;
    request.m_deadline = request.m_sent + request.m_timeout;
    m_requests.push_back(std::move(request));
    return ERROR_IO_PENDING;
}

void CEchoRequests::Forget(HANDLE handle)
{
    std::erase_if(m_requests, [handle](const CRequest& request) {
        if (request.m_handle != handle)
            return false;
        request.m_transport->Forget(request.m_sequence);
        return true;
    });
}

bool CEchoRequests::IsWaitingOn(const CEchoTransport* transport) const
{
    return std::any_of(m_requests.begin(), m_requests.end(),
                       [transport](const CRequest& request) { return request.m_transport.get() == transport; });
}

CEchoRequests::Clock::time_point CEchoRequests::Prepare(std::vector<pollfd>& fds)
{
    Clock::time_point due = Clock::time_point::max();
    const Clock::time_point now = Clock::now();
    m_polled.clear();
    for (const CRequest& request : m_requests) {
        due = std::min(due, request.m_deadline);
        const Clock::duration longest = request.m_transport->LongestPoll();
        if (longest != Clock::duration::max())
            due = std::min(due, now + longest);
        const int fd = request.m_transport->PollFd();
        if (std::none_of(m_polled.begin(), m_polled.end(), [fd](const pollfd& entry) { return entry.fd == fd; }))
            m_polled.push_back({fd, POLLIN | POLLERR, 0});
    }
    fds.insert(fds.end(), m_polled.begin(), m_polled.end());
    return due;
}

int CEchoRequests::Dispatch(std::span<const pollfd> fds, Clock::time_point now)
{
    std::vector<bool> done(m_requests.size(), false);
    for (CEchoTransport* transport : Transports()) {
        const int fd = transport->PollFd();
        const auto entry = std::find_if(fds.begin(), fds.end(), [fd](const pollfd& polled) { return polled.fd == fd; });
        const short events = entry != fds.end() ? entry->revents : 0;
        if (events != 0 || transport->LongestPoll() != Clock::duration::max())
            ReadTransport(*transport, events, done);
    }
    for (std::size_t i = 0; i < m_requests.size(); ++i) {
        if (!done[i] && now >= m_requests[i].m_deadline) {
            WriteFailure(IP_REQ_TIMED_OUT, m_requests[i].m_reply, m_requests[i].m_destination.IsV6());
            m_requests[i].m_transport->Forget(m_requests[i].m_sequence);
            done[i] = true;
        }
    }
    // Finished requests leave the list before their routines run: a routine may send anew.
    std::vector<CRequest> finished;
    std::size_t index = 0;
    std::erase_if(m_requests, [&](CRequest& request) {
        if (!done[index++])
            return false;
        finished.push_back(std::move(request));
        return true;
    });
    for (CRequest& request : finished) {
        // The routine may close the handle; then its socket may go back to the pool.
        request.m_transport.reset();
        // An earlier routine may have closed this request's handle: then it is dropped.
        if (request.m_apcRoutine != nullptr && CEchoHandleTable::Instance().Find(request.m_handle))
            request.m_apcRoutine(request.m_apcContext, nullptr, 0);
    }
    return static_cast<int>(finished.size());
}

// Each transport that requests wait on, once.
std::vector<CEchoTransport*> CEchoRequests::Transports() const
{
    std::vector<CEchoTransport*> transports;
    for (const CRequest& request : m_requests) {
        if (std::find(transports.begin(), transports.end(), request.m_transport.get()) == transports.end())
            transports.push_back(request.m_transport.get());
    }
    return transports;
}

void CEchoRequests::ReadTransport(CEchoTransport& transport, short events, std::vector<bool>& done)
{
    std::vector<std::size_t> indexes;
    std::vector<CEchoMatcher> matchers;
    for (std::size_t i = 0; i < m_requests.size(); ++i) {
        const CRequest& request = m_requests[i];
        if (request.m_transport.get() != &transport || done[i])
            continue;
        indexes.push_back(i);
        matchers.emplace_back(request.m_destination, transport.Identifier(), request.m_sequence);
    }
    std::vector<CEchoWaiting> waiting;
    for (std::size_t k = 0; k < indexes.size(); ++k) {
        CRequest& request = m_requests[indexes[k]];
        const std::size_t record = RecordSize(request.m_destination.IsV6());
        const std::size_t room = std::min<std::size_t>(request.m_replySize - record, 0xFFFF);
        waiting.push_back({&matchers[k], request.m_sent, {request.m_reply + record, room}});
    }
    transport.ReadAnswers(waiting, events, [&](std::size_t which, const CEchoReceived& received) {
        const std::size_t i = indexes[which];
        if (done[i])
            return; // a duplicate answer
        const bool v6 = m_requests[i].m_destination.IsV6();
        if (received.m_failure != 0)
            WriteFailure(received.m_failure, m_requests[i].m_reply, v6);
        else
            WriteAnswer(received, m_requests[i].m_reply, v6);
        done[i] = true;
    });
}

std::size_t CEchoRequests::RecordSize(bool v6)
{
    return v6 ? sizeof(ICMPV6_ECHO_REPLY) : sizeof(ICMP_ECHO_REPLY);
}

void CEchoRequests::WriteAnswer(const CEchoReceived& received, BYTE* buffer, bool v6)
{
    const auto roundTrip = std::chrono::duration_cast<std::chrono::milliseconds>(received.m_roundTrip).count();
    const auto microseconds =
        std::max<std::int64_t>(0, std::chrono::duration_cast<std::chrono::microseconds>(received.m_roundTrip).count());
    if (v6) {
        ICMPV6_ECHO_REPLY record{};
        record.Address.sin6_port = kStoredReply;
        record.Address.sin6_flowinfo = static_cast<ULONG>(microseconds % 1000);
        std::memcpy(record.Address.sin6_addr, received.m_answer.m_address.Bytes().data(), 16);
        record.Address.sin6_scope_id = received.m_answer.m_address.Scope();
        record.Status = received.m_answer.m_status;
        record.RoundTripTime = static_cast<unsigned int>(roundTrip);
        std::memcpy(buffer, &record, sizeof record);
        return;
    }
    ICMP_ECHO_REPLY record{};
    record.Address = received.m_answer.m_address.V4();
    record.Status = received.m_answer.m_status;
    record.RoundTripTime = static_cast<ULONG>(microseconds / 1000);
    record.DataSize = static_cast<USHORT>(received.m_dataSize);
    record.Reserved = static_cast<USHORT>(kStoredReply + microseconds % 1000);
    record.DataOffset = sizeof record;
    record.OptionsTtl = received.m_answer.m_ttl;
    record.OptionsTos = received.m_answer.m_tos;
    std::memcpy(buffer, &record, sizeof record);
}

void CEchoRequests::WriteFailure(DWORD status, BYTE* buffer, bool v6)
{
    if (v6) {
        ICMPV6_ECHO_REPLY record{};
        record.Status = status;
        std::memcpy(buffer, &record, sizeof record);
        return;
    }
    ICMP_ECHO_REPLY record{};
    record.Status = status;
    std::memcpy(buffer, &record, sizeof record);
}

} // namespace win
