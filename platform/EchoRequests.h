#pragma once
// The calling thread's echo requests that complete later (IcmpSendEcho2): each waits on
// its transport until its answer comes or its timeout passes; then its reply record is
// written and its completion routine runs, inside the thread's alertable wait. Closing a
// handle drops its requests without completion. Requests belong to the thread that sent them.

#include "AlertableSource.h"
#include "EchoTransport.h"

#include <memory>
#include <vector>

namespace win {

class CEchoRequests : public CAlertableSource {
public:
    struct CRequest {
        HANDLE m_handle = nullptr;
        std::shared_ptr<CEchoTransport> m_transport;
        CIpAddress m_destination;
        WORD m_sequence = 0;
        std::chrono::milliseconds m_timeout{0};
        Clock::time_point m_sent;     // filled in by Start
        Clock::time_point m_deadline; // filled in by Start
        BYTE* m_reply = nullptr;     // the caller's reply buffer
        DWORD m_replySize = 0;       // bytes, at least one record
        PIO_APC_ROUTINE m_apcRoutine = nullptr;
        void* m_apcContext = nullptr;
    };

    // The calling thread's requests.
    static CEchoRequests& Current();

    // Sends the request; ERROR_IO_PENDING when it went out and now waits, else its IP_STATUS.
    DWORD Start(CRequest request, const IP_OPTION_INFORMATION* options, std::span<const BYTE> data);
    // Drops the handle's requests; their completion routines never run.
    void Forget(HANDLE handle);
    std::size_t Waiting() const { return m_requests.size(); }

    Clock::time_point Prepare(std::vector<pollfd>& fds) override;
    int Dispatch(std::span<const pollfd> fds, Clock::time_point now) override;

    // The size of one reply record: ICMPV6_ECHO_REPLY for IPv6, else ICMP_ECHO_REPLY.
    static std::size_t RecordSize(bool v6);
    // The reply record for an answer; marked as one stored reply (Icmp(6)ParseReplies).
    static void WriteAnswer(const CEchoReceived& received, BYTE* buffer, bool v6);
    // The reply record of a request that got no answer: only its status.
    static void WriteFailure(DWORD status, BYTE* buffer, bool v6);

private:
    bool IsWaitingOn(const CEchoTransport* transport) const;
    std::vector<CEchoTransport*> Transports() const;
    void ReadTransport(CEchoTransport& transport, short events, std::vector<bool>& done);

    std::vector<CRequest> m_requests;
    std::vector<pollfd> m_polled; // one per transport, in the order Prepare appended them
};

} // namespace win
