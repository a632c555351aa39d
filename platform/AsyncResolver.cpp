#include "AsyncResolver.h"

#include "AlertableWait.h"
#include "LastError.h"

#include <ares.h>

#include <algorithm>
#include <mutex>

namespace win {

CAsyncResolver& CAsyncResolver::Current()
{
    thread_local CAsyncResolver t_resolver;
    AddAlertableSource(&t_resolver);
    return t_resolver;
}

CAsyncResolver::~CAsyncResolver()
{
    for (const auto& lookup : m_lookups)
        lookup->m_cancelled = true;
    if (m_channel != nullptr)
        ares_destroy(m_channel);
}

bool CAsyncResolver::OpenChannel()
{
    static std::once_flag s_libraryReady;
    static int s_libraryStatus = ARES_SUCCESS;
    std::call_once(s_libraryReady, [] { s_libraryStatus = ares_library_init(ARES_LIB_INIT_ALL); });
    if (s_libraryStatus != ARES_SUCCESS)
        return false;
    return m_channel != nullptr || ares_init(&m_channel) == ARES_SUCCESS;
}

HANDLE CAsyncResolver::LookUpAddress(const char* address, int length, int family, LOOKUPCOMPLETION done,
                                     void* context)
{
    if (address == nullptr || length <= 0 || done == nullptr) {
        SetLastError(WSANO_RECOVERY);
        return nullptr;
    }
    if (!OpenChannel()) {
        SetLastError(WSANO_RECOVERY);
        return nullptr;
    }
    const std::uintptr_t id = m_nextId++;
    auto lookup = std::make_unique<CLookup>(CLookup{this, id, done, context, false});
    CLookup* started = lookup.get();
    m_lookups.push_back(std::move(lookup));
    // c-ares may answer at once from the hosts file, and the lookup is gone on return;
    // the routine still runs in a wait, and the handle still cancels it.
    ares_gethostbyaddr(m_channel, address, length, family, &OnResolved, started);
    return reinterpret_cast<HANDLE>(id);
}

BOOL CAsyncResolver::Cancel(HANDLE request)
{
    const auto id = reinterpret_cast<std::uintptr_t>(request);
    // Answered, but its routine has not run yet.
    if (std::erase_if(m_finished, [id](const CFinished& finished) { return finished.m_id == id; }) > 0)
        return TRUE;
    const auto found = std::find_if(m_lookups.begin(), m_lookups.end(),
                                    [id](const auto& lookup) { return lookup->m_id == id && !lookup->m_cancelled; });
    if (found == m_lookups.end())
        return FALSE;
    (*found)->m_cancelled = true;
    CloseChannelIfIdle();
    return TRUE;
}

// Ends c-ares' own waits and closes its sockets when nothing but cancelled lookups is left.
void CAsyncResolver::CloseChannelIfIdle()
{
    if (m_channel == nullptr)
        return;
    if (std::any_of(m_lookups.begin(), m_lookups.end(), [](const auto& lookup) { return !lookup->m_cancelled; }))
        return;
    ares_channeldata* channel = m_channel;
    m_channel = nullptr;
    ares_destroy(channel); // answers every lookup left with ARES_EDESTRUCTION
    m_lookups.clear();
}

void CAsyncResolver::OnResolved(void* arg, int status, int, hostent* entry)
{
    auto* lookup = static_cast<CLookup*>(arg);
    CAsyncResolver* owner = lookup->m_owner;
    if (!lookup->m_cancelled) {
        CFinished finished{lookup->m_id, lookup->m_done, lookup->m_context, ErrorFor(status), {}};
        if (status == ARES_SUCCESS && entry != nullptr)
            finished.m_entry.Assign(*entry);
        owner->m_finished.push_back(std::move(finished));
    }
    std::erase_if(owner->m_lookups, [lookup](const auto& kept) { return kept.get() == lookup; });
}

DWORD CAsyncResolver::ErrorFor(int status)
{
    switch (status) {
    case ARES_SUCCESS:
        return 0;
    case ARES_ENOTFOUND:
    case ARES_ENODATA:
        return WSAHOST_NOT_FOUND;
    case ARES_ETIMEOUT:
    case ARES_ECONNREFUSED:
        return WSATRY_AGAIN;
    default:
        return WSANO_RECOVERY;
    }
}

CAsyncResolver::Clock::time_point CAsyncResolver::Prepare(std::vector<pollfd>& fds)
{
    if (!m_finished.empty())
        return Clock::now();
    if (m_channel == nullptr)
        return Clock::time_point::max();
    ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
    const int bits = ares_getsock(m_channel, sockets, ARES_GETSOCK_MAXNUM);
    for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
        short events = 0;
        if (ARES_GETSOCK_READABLE(bits, i))
            events |= POLLIN;
        if (ARES_GETSOCK_WRITABLE(bits, i))
            events |= POLLOUT;
        if (events != 0)
            fds.push_back({sockets[i], events, 0});
    }
    timeval wait{};
    if (ares_timeout(m_channel, nullptr, &wait) == nullptr)
        return Clock::time_point::max();
    return Clock::now() + std::chrono::seconds(wait.tv_sec) + std::chrono::microseconds(wait.tv_usec);
}

int CAsyncResolver::Dispatch(std::span<const pollfd> fds, Clock::time_point)
{
    if (m_channel != nullptr) {
        for (const pollfd& entry : fds) {
            if (entry.revents == 0 || m_channel == nullptr)
                continue;
            const bool readable = (entry.revents & (POLLIN | POLLERR | POLLHUP)) != 0;
            const bool writable = (entry.revents & POLLOUT) != 0;
            ares_process_fd(m_channel, readable ? entry.fd : ARES_SOCKET_BAD, writable ? entry.fd : ARES_SOCKET_BAD);
        }
        // Lets c-ares end the lookups whose time ran out.
        if (m_channel != nullptr)
            ares_process_fd(m_channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
    }
    std::vector<CFinished> finished;
    finished.swap(m_finished);
    CloseChannelIfIdle();
    for (CFinished& lookup : finished) {
        SetLastError(lookup.m_error);
        lookup.m_done(lookup.m_context, lookup.m_error, lookup.m_error == 0 ? lookup.m_entry.Get() : nullptr);
    }
    return static_cast<int>(finished.size());
}

} // namespace win
