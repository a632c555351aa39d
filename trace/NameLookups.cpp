#include "NameLookups.h"

#include "AlertableWait.h"
#include "BlockingHook.h"
#include "WinSock.h"

#include <algorithm>
#include <sys/socket.h>

CNameLookups::~CNameLookups()
{
    Abandon();
}

void CNameLookups::Start(const win::CIpAddress& address)
{
    if (Find(address) != nullptr)
        return;
    CEntry entry;
    entry.m_owner = this;
    entry.m_address = address;
    m_entries.push_back(std::move(entry));
    StartQueued();
}

std::optional<std::string> CNameLookups::Name(const win::CIpAddress& address)
{
    Start(address);
    CEntry& entry = *Find(address);
    while (entry.m_state != EState::Done) {
        const Clock::time_point now = Clock::now();
        EndOverdue(now);
        if (entry.m_state == EState::Done)
            break;
        if (win::IsBlockingCallCancelled()) {
            Stop(entry);
            break;
        }
        // A queued entry waits for a running one, whose bound ends before its own.
        const Clock::time_point start = entry.m_state == EState::Running ? entry.m_started : now;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(start + kBound - now).count();
        win::SleepEx(static_cast<DWORD>(std::max<long long>(left, 1)), TRUE);
    }
    return entry.m_name;
}

void CNameLookups::Poll()
{
    EndOverdue(Clock::now());
}

bool CNameLookups::TryName(const win::CIpAddress& address, std::string& name)
{
    const CEntry* entry = Find(address);
    if (entry == nullptr || entry->m_state != EState::Done)
        return false;
    if (entry->m_name)
        name = *entry->m_name;
    return true;
}

void CNameLookups::Abandon()
{
    for (CEntry& entry : m_entries)
        Stop(entry);
    m_entries.clear();
}

CNameLookups::CEntry* CNameLookups::Find(const win::CIpAddress& address)
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&address](const CEntry& entry) { return entry.m_address == address; });
    return found != m_entries.end() ? &*found : nullptr;
}

void CNameLookups::StartQueued()
{
    for (CEntry& entry : m_entries) {
        if (m_running >= kMaxRunning)
            return;
        if (entry.m_state == EState::Queued)
            Begin(entry);
    }
}

void CNameLookups::Begin(CEntry& entry)
{
    entry.m_started = Clock::now();
    const bool v6 = entry.m_address.IsV6();
    entry.m_request = win::WSAAsyncGetHostByAddr(reinterpret_cast<const char*>(entry.m_address.Bytes().data()),
                                                 v6 ? 16 : 4, v6 ? AF_INET6 : AF_INET, &OnLookedUp, &entry);
    if (entry.m_request == nullptr) {
        entry.m_state = EState::Done;
        return;
    }
    entry.m_state = EState::Running;
    ++m_running;
}

void CNameLookups::OnLookedUp(void* context, DWORD error, const hostent* host)
{
    CEntry& entry = *static_cast<CEntry*>(context);
    if (error == 0 && host != nullptr && host->h_name != nullptr)
        entry.m_name = host->h_name;
    entry.m_request = nullptr;
    entry.m_state = EState::Done;
    --entry.m_owner->m_running;
    entry.m_owner->StartQueued();
}

void CNameLookups::EndOverdue(Clock::time_point now)
{
    for (CEntry& entry : m_entries) {
        if (entry.m_state == EState::Running && now >= entry.m_started + kBound)
            Stop(entry);
    }
    StartQueued();
}

void CNameLookups::Stop(CEntry& entry)
{
    if (entry.m_state == EState::Running) {
        win::WSACancelAsyncRequest(entry.m_request);
        entry.m_request = nullptr;
        --m_running;
    }
    entry.m_state = EState::Done;
}
