#include "ProbeTransport.h"

#include "BlockingHook.h"

#include <algorithm>

namespace win {

namespace {
constexpr BYTE kDefaultTtl = 64;
}

CProbeTransport::CProbeTransport(std::shared_ptr<CProbeClient> client)
    : m_client(std::move(client))
{
}

CProbeTransport::~CProbeTransport()
{
    Forget(m_pending.begin(), m_pending.end());
}

DWORD CProbeTransport::CheckRequest(const CIpAddress& destination, const IP_OPTION_INFORMATION* options,
                                    std::span<const BYTE> data, BYTE& ttl)
{
    ttl = options != nullptr ? options->Ttl : kDefaultTtl;
    if (options != nullptr && (options->Tos != 0 || options->OptionsSize != 0 || ttl < CProbeProtocol::kMinTtl))
        return IP_BAD_OPTION;
    if (data.size() > CProbeProtocol::kMaxDataSize)
        return IP_BAD_REQ;
    if (!CProbeProtocol::MaySendTo(destination))
        return IP_BAD_DESTINATION;
    return 0;
}

CEchoOutcome CProbeTransport::Echo(const CIpAddress& destination, const IP_OPTION_INFORMATION* options,
                                   std::span<const BYTE> data, DWORD timeoutMs)
{
    CEchoOutcome outcome;
    BYTE ttl = 0;
    outcome.m_failure = CheckRequest(destination, options, data, ttl);
    if (outcome.m_failure != 0)
        return outcome;
    const CProbeAnswer answer = LiveClient()->Echo(destination, ttl, static_cast<BYTE>(data.size()), timeoutMs);
    if (!answer.m_replied) {
        outcome.m_failure = answer.m_status == IP_REQ_TIMED_OUT ? 0 : answer.m_status;
        return outcome;
    }
    outcome.m_received = Received(answer);
    return outcome;
}

int CProbeTransport::PollFd() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_client->Fd();
}

DWORD CProbeTransport::SendRequest(const CIpAddress& destination, const IP_OPTION_INFORMATION* options,
                                   std::span<const BYTE> data, std::chrono::milliseconds timeout,
                                   bool discardLeftovers, WORD& sequence, Clock::time_point& sent)
{
    BYTE ttl = 0;
    if (const DWORD refused = CheckRequest(destination, options, data, ttl); refused != 0)
        return refused;
    const std::shared_ptr<CProbeClient> client = LiveClient();
    // A request that waited at the helper would have its time run out unseen.
    if (!client->ReserveTurn())
        return IP_NO_RESOURCES;
    std::lock_guard<std::mutex> guard(m_lock);
    if (discardLeftovers)
        Forget(m_pending.begin(), m_pending.end());
    sent = Clock::now();
    ForgetExpired(sent);
    const auto timeoutMs = static_cast<DWORD>(std::clamp<long long>(timeout.count(), 0, 0xFFFFFFFFLL));
    const std::optional<DWORD> token =
        client->Submit(destination, ttl, static_cast<BYTE>(data.size()), timeoutMs, true);
    if (!token)
        return IP_GENERAL_FAILURE;
    sequence = ++m_nextSequence;
    m_pending.push_back({sequence, *token, client, sent + timeout + CProbeClient::kAnswerGrace});
    return 0;
}

void CProbeTransport::ReadAnswers(std::span<const CEchoWaiting> waiting, short, const FoundProc& found)
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_client->ReadReady();
    std::vector<std::pair<std::size_t, CEchoReceived>> answered;
    for (std::size_t which = 0; which < waiting.size(); ++which) {
        const WORD sequence = waiting[which].m_matcher->Sequence();
        const auto pending = std::find_if(m_pending.begin(), m_pending.end(),
                                          [sequence](const CPending& entry) { return entry.m_sequence == sequence; });
        if (pending == m_pending.end())
            continue;
        const std::optional<CProbeAnswer> answer = pending->m_client->Collect(pending->m_token);
        if (!answer)
            continue;
        m_pending.erase(pending);
        answered.emplace_back(which, Received(*answer));
    }
    ForgetExpired(Clock::now());
    lock.unlock();
    for (const auto& [which, received] : answered)
        found(which, received);
}

void CProbeTransport::Forget(WORD sequence)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto pending = std::find_if(m_pending.begin(), m_pending.end(),
                                      [sequence](const CPending& entry) { return entry.m_sequence == sequence; });
    if (pending != m_pending.end())
        Forget(pending, pending + 1);
}

WORD CProbeTransport::Identifier() const
{
    return 0;
}

CProbeTransport::Clock::duration CProbeTransport::LongestPoll() const
{
    return std::chrono::milliseconds(kBlockingHookIntervalMs);
}

// A helper that ended failed the requests that waited on it; the next request gets a new
// one, if one can be started.
std::shared_ptr<CProbeClient> CProbeTransport::LiveClient()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_client->Alive()) {
        int error = 0;
        if (std::shared_ptr<CProbeClient> fresh = CProbeClient::Shared(error))
            m_client = std::move(fresh);
    }
    return m_client;
}

void CProbeTransport::Forget(std::vector<CPending>::iterator first, std::vector<CPending>::iterator last)
{
    for (auto entry = first; entry != last; ++entry)
        entry->m_client->Abandon(entry->m_token);
    m_pending.erase(first, last);
}

// Requests that their waiters gave up on (a closed handle, a trace that stopped).
void CProbeTransport::ForgetExpired(Clock::time_point now)
{
    const auto expired = std::stable_partition(m_pending.begin(), m_pending.end(),
                                               [now](const CPending& entry) { return entry.m_expires > now; });
    Forget(expired, m_pending.end());
}

CEchoReceived CProbeTransport::Received(const CProbeAnswer& answer)
{
    CEchoReceived received;
    if (!answer.m_replied) {
        received.m_failure = answer.m_status;
        return received;
    }
    received.m_answer.m_status = answer.m_status;
    received.m_answer.m_address = answer.m_address;
    received.m_roundTrip = answer.m_roundTrip;
    return received;
}

} // namespace win
