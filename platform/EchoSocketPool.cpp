#include "EchoSocketPool.h"

#include "BlockingHook.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace win {

CEchoSocketPool::CEchoSocketPool(Clock::duration trustPeriod)
    : m_trustPeriod(trustPeriod)
{
    m_kept.reserve(kCapacity);
}

CEchoSocketPool& CEchoSocketPool::Instance()
{
    static CEchoSocketPool s_pool;
    return s_pool;
}

std::shared_ptr<CEchoSocket> CEchoSocketPool::Take(int& error)
{
    return Take(CIpAddress::EFamily::V4, error);
}

std::shared_ptr<CEchoSocket> CEchoSocketPool::Take(CIpAddress::EFamily family, int& error)
{
    const std::optional<COrigin> origin = CurrentOrigin(Clock::now());
    {
        std::lock_guard<std::mutex> guard(m_lock);
        DropStale(origin);
        const auto kept = std::find_if(m_kept.rbegin(), m_kept.rend(), [family](const auto& socket) {
            return socket->Family() == family;
        });
        if (kept != m_kept.rend()) {
            std::shared_ptr<CEchoSocket> socket = std::move(*kept);
            m_kept.erase(std::next(kept).base());
            return socket;
        }
    }
    return Open(family, origin, error);
}

// The owner is checked when the socket is taken again; here only its age counts. A socket
// given back after a stop closes at once: answers to the stopped trace must not queue up
// in it until the next one.
void CEchoSocketPool::Give(std::shared_ptr<CEchoSocket> socket)
{
    if (!socket || socket.use_count() != 1 || socket->Origin().m_pid == 0 || IsBlockingCallCancelled())
        return;
    if (Clock::now() - socket->Origin().m_when >= m_trustPeriod)
        return;
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_kept.size() < kCapacity)
        m_kept.push_back(std::move(socket));
}

std::size_t CEchoSocketPool::Kept()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_kept.size();
}

// A forked child, a thread that moved to another network namespace and a process that
// changed its user or group each tell apart from the owner of a kept socket.
std::optional<CEchoSocket::COrigin> CEchoSocketPool::CurrentOrigin(Clock::time_point now)
{
    struct stat netns {};
    if (::stat("/proc/thread-self/ns/net", &netns) != 0)
        return std::nullopt;
    COrigin origin;
    origin.m_pid = ::getpid();
    origin.m_netns = netns.st_ino;
    origin.m_netnsDevice = netns.st_dev;
    origin.m_euid = ::geteuid();
    origin.m_egid = ::getegid();
    origin.m_when = now;
    return origin;
}

bool CEchoSocketPool::Trusted(const COrigin& fact, const COrigin& now) const
{
    return fact.SameOwner(now) && now.m_when - fact.m_when < m_trustPeriod;
}

std::unique_ptr<CEchoSocket> CEchoSocketPool::Open(CIpAddress::EFamily family, const std::optional<COrigin>& origin,
                                                   int& error)
{
    std::unique_ptr<CEchoSocket> socket = CEchoSocket::Open(family, error);
    if (socket && origin)
        socket->SetOrigin(*origin);
    return socket;
}

void CEchoSocketPool::DropStale(const std::optional<COrigin>& origin)
{
    std::erase_if(m_kept, [&](const std::shared_ptr<CEchoSocket>& socket) {
        return !origin || !Trusted(socket->Origin(), *origin);
    });
}

} // namespace win
