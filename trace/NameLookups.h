#pragma once
// The reverse lookups of one trace's hop addresses, side by side: each starts as soon as
// its address is known, at most kMaxRunning at a time, and gives up after kBound. They
// make progress while the thread waits (for probes, or for a name); Abandon ends them all.

#include "IpAddress.h"
#include "WinTypes.h"

#include <chrono>
#include <deque>
#include <netdb.h>
#include <optional>
#include <string>

class CNameLookups {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMaxRunning = 16;
    static constexpr std::chrono::milliseconds kBound{3000}; // from the lookup's start

    CNameLookups() = default;
    ~CNameLookups();
    CNameLookups(const CNameLookups&) = delete;
    CNameLookups& operator=(const CNameLookups&) = delete;

    // Starts the lookup of address unless it has been started before.
    void Start(const win::CIpAddress& address);
    // The address's host name, waiting for its lookup as long as its bound allows; none
    // when the lookup failed, ran out of time or the blocking call was cancelled.
    std::optional<std::string> Name(const win::CIpAddress& address);
    // Ends the lookups past their bound and starts queued ones; never waits. For callers
    // that wait on their own (SleepEx) and only look at what has come.
    void Poll();
    // True once the address's lookup has ended (answered, failed or given up); name then
    // holds the host name, or stays as it was when there is none.
    bool TryName(const win::CIpAddress& address, std::string& name);
    // Cancels every lookup still running or queued and forgets every name; nothing is left behind.
    void Abandon();

private:
    enum class EState { Queued, Running, Done };
    struct CEntry {
        CNameLookups* m_owner = nullptr;
        win::CIpAddress m_address;
        EState m_state = EState::Queued;
        HANDLE m_request = nullptr;
        Clock::time_point m_started;
        std::optional<std::string> m_name;
    };

    static void OnLookedUp(void* context, DWORD error, const hostent* entry);
    CEntry* Find(const win::CIpAddress& address);
    void Begin(CEntry& entry);
    void StartQueued();
    void EndOverdue(Clock::time_point now);
    void Stop(CEntry& entry);

    std::deque<CEntry> m_entries; // references stay valid as it grows
    std::size_t m_running = 0;
};
