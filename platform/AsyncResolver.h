#pragma once
// The calling thread's reverse lookups that complete later (WSAAsyncGetHostByAddr), over
// c-ares: it reads the hosts file, nsswitch.conf and resolv.conf as the C library does,
// and its sockets are polled by the thread's alertable wait, where the completion
// routines run. No thread of its own; the resolver channel is closed whenever no lookup waits.

#include "AlertableSource.h"
#include "HostEntry.h"
#include "WinTypes.h"

#include <netdb.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ares_channeldata;

namespace win {

// error: 0 or a Windows Sockets resolver error; entry valid during the call only.
using LOOKUPCOMPLETION = void (*)(void* context, DWORD error, const hostent* entry);

class CAsyncResolver : public CAlertableSource {
public:
    static CAsyncResolver& Current();
    ~CAsyncResolver() override;

    // Null with the last error set when the lookup cannot start.
    HANDLE LookUpAddress(const char* address, int length, int family, LOOKUPCOMPLETION done, void* context);
    // The lookup's routine will not run. FALSE when it is unknown or already finished.
    BOOL Cancel(HANDLE request);
    std::size_t Waiting() const { return m_lookups.size() + m_finished.size(); }

    Clock::time_point Prepare(std::vector<pollfd>& fds) override;
    int Dispatch(std::span<const pollfd> fds, Clock::time_point now) override;

private:
    struct CLookup {
        CAsyncResolver* m_owner = nullptr;
        std::uintptr_t m_id = 0;
        LOOKUPCOMPLETION m_done = nullptr;
        void* m_context = nullptr;
        bool m_cancelled = false;
    };
    struct CFinished {
        std::uintptr_t m_id = 0;
        LOOKUPCOMPLETION m_done = nullptr;
        void* m_context = nullptr;
        DWORD m_error = 0;
        CHostEntry m_entry;
    };

    static void OnResolved(void* arg, int status, int timeouts, hostent* entry);
    static DWORD ErrorFor(int status);
    bool OpenChannel();
    void CloseChannelIfIdle();

    ares_channeldata* m_channel = nullptr; // c-ares' ares_channel
    std::vector<std::unique_ptr<CLookup>> m_lookups; // started, not yet answered by c-ares
    std::vector<CFinished> m_finished;               // answered; routines run in the next Dispatch
    std::uintptr_t m_nextId = 0x100;
};

} // namespace win
