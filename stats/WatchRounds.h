#pragma once
// A watch's rounds on the thread that runs them: one probe per TTL up to the path's length
// (the target's hop once it answered, else the hop limit) every interval, each probe an
// echo request that completes later. A round never waits for the one before; an answer
// counts for the round its probe belonged to; what the probe helper allows all watches of
// the process (CProbeBudget) delays rounds rather than failing them, and a probe the helper
// had no room for is not counted. Any other failed send ends the rounds with its code. Names of responders are looked up once each, beside the rounds.

#include "IpAddress.h"
#include "NameLookups.h"
#include "ProbeBudget.h"
#include "StopSignal.h"
#include "WatchBoard.h"

#include <array>
#include <chrono>
#include <vector>

class CWatchRounds {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMaxInFlight = CProbeBudget::kMaxInFlight;

    struct CSettings {
        win::CIpAddress target;     // IPv4 or IPv6
        unsigned nMaxHops = 30;
        Clock::duration interval{std::chrono::seconds(1)};
        unsigned nCycles = 0;       // 0: until stopped
        DWORD nTimeoutMs = 2000;    // per probe
        bool bResolveNames = true;
    };

    CWatchRounds(CWatchBoard& board, const CSettings& settings, CStopSignal& stop);
    // Closes the echo handle and abandons the lookups: nothing of the rounds outlives them.
    ~CWatchRounds();
    CWatchRounds(const CWatchRounds&) = delete;
    CWatchRounds& operator=(const CWatchRounds&) = delete;

    // Runs the rounds until the cycles are done and answered, the stop signal is raised or
    // a send fails; finishes the board either way.
    void Run();

private:
    static constexpr std::size_t kReplySize = 72; // one reply record of either family and the 32 echoed bytes

    struct CProbe {
        CWatchRounds* m_owner = nullptr;
        bool m_bBusy = false;   // the echo facility still carries it
        unsigned m_nRound = 0;
        unsigned m_nTtl = 0;
        std::array<BYTE, kReplySize> m_buffer{};
    };

    static void OnProbeDone(void* context, void* ioStatusBlock, ULONG reserved);
    void Answered(const CProbe& probe, const win::CIpAddress& responder);
    // Sends what the budget allows of the open round; false once it is all sent (or a
    // send failed).
    bool SendRound(Clock::time_point now);
    // ERROR_IO_PENDING when the probe went out, else the send's status.
    DWORD Send(CProbe& probe);
    CProbe* FreeProbe();
    void LookUp(const win::CIpAddress& address);
    void CollectNames();
    // How long the thread may wait before something is due.
    DWORD WaitMs(Clock::time_point now, bool bRoundOpen, bool bMoreRounds) const;

    CWatchBoard& m_board;
    CSettings m_settings;
    CStopSignal& m_stop;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    std::array<CProbe, kMaxInFlight> m_probes;
    std::size_t m_nInFlight = 0;
    unsigned m_nPathLength;   // TTLs probed per round
    unsigned m_nRound = 0;    // the round being sent or last sent
    unsigned m_nNextTtl = 1;  // the open round's next TTL
    Clock::time_point m_due;  // when the next round starts
    CProbeBudget& m_budget;
    DWORD m_nFailure = 0;     // the send or probe failure that ends the rounds
    CNameLookups m_names;
    std::vector<win::CIpAddress> m_looking; // lookups started whose names are not yet collected
    std::vector<win::CIpAddress> m_known;   // responders seen
};
