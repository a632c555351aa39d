#pragma once
// The echo facility's end of quorail-probe: starts the helper with a socket pair on its
// standard input and output, sends it echo requests by token and hands each answer to the
// request that waits for it. Many threads may wait at once; one of them reads for all.
// A helper that ends, or says something malformed, fails every waiting request with
// IP_GENERAL_FAILURE; the next Shared() starts a new one.

#include "ProbeProtocol.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

namespace win {

class CProbeClient {
public:
    using Clock = std::chrono::steady_clock;

    ~CProbeClient();
    CProbeClient(const CProbeClient&) = delete;
    CProbeClient& operator=(const CProbeClient&) = delete;

    // The process's running helper, started when there is none; null with the errno
    // of the failure (the helper's own when it could not open its socket).
    static std::shared_ptr<CProbeClient> Shared(int& error);
    // Starts a helper of its own from path.
    static std::unique_ptr<CProbeClient> Start(const std::string& path, int& error);

    // Where the helper is looked for: beside the program, in the build tree's probe/
    // folder, in libexec/quorail beside the program's bin/ (the installed tree).
    static std::vector<std::string> HelperCandidates();
    // Used instead of those places when not empty (the tests' own programs lie elsewhere).
    static void SetHelperPath(const std::string& path);

    // Beyond the helper's own time limit, how long a request waits for the helper's answer,
    // so that a helper that went silent cannot hold the caller for ever.
    static constexpr std::chrono::milliseconds kAnswerGrace{2000};

    // Sends one request and waits for its answer, at most its time limit plus the grace.
    // A cancelled blocking call (WSACancelBlockingCall) ends the wait as timed out.
    CProbeAnswer Echo(const CIpAddress& destination, BYTE ttl, BYTE dataSize, DWORD timeoutMs);

    // Requests whose caller polls Fd() itself. Submit sends one and returns its token, none
    // when the helper is gone. ReadReady files what has come in, without waiting. Collect
    // hands over a token's answer once it is there, or a failure once the helper is gone.
    // Abandon forgets a token whose answer is no longer wanted, and cancels it at the helper.
    // A request sent with a turn reserved goes out at the helper at once; any other may
    // wait there for the helper's rate.
    std::optional<DWORD> Submit(const CIpAddress& destination, BYTE ttl, BYTE dataSize, DWORD timeoutMs,
                                bool turnReserved = false);
    // Takes one of the helper's sends that it would make at once (kMaxPerSecond after a
    // burst of kMaxInFlight, as the helper counts them); false when a request would wait
    // there, its time running from a send that the caller cannot see.
    bool ReserveTurn();
    void ReadReady();
    std::optional<CProbeAnswer> Collect(DWORD token);
    void Abandon(DWORD token);
    // The socket to the helper; readable when answers may be waiting.
    int Fd() const;

    bool Alive();
    pid_t HelperPid() const;
    // Writes bytes as they are; for the tests of the helper's checks.
    bool SendRaw(const std::string& bytes);

private:
    CProbeClient(pid_t pid, int fd);
    bool AwaitReady(int& error);
    bool Send(const std::string& line);
    std::optional<CProbeAnswer> TakeAnswer(DWORD token);
    std::optional<CProbeAnswer> AnswerOrRead(DWORD token, Clock::time_point until, std::unique_lock<std::mutex>& lock);
    void ReadAvailable(std::unique_lock<std::mutex>& lock, Clock::time_point until);
    bool TakeLines();
    void RefillTurns(Clock::time_point now);
    void Die();
    static std::string& OverridePath();

    pid_t m_pid;
    int m_fd;                   // socket to the helper
    bool m_dead = false;        // the helper ended or was ended
    std::mutex m_lock;
    std::mutex m_sendLock;
    std::condition_variable m_answered;
    bool m_reading = false;     // one waiter reads the socket for all
    DWORD m_nextToken = 0;
    std::set<DWORD> m_waiting;  // tokens whose callers still wait
    std::map<DWORD, CProbeAnswer> m_answers;
    std::string m_input;        // bytes of an answer line not yet complete
    // The helper's sends to come, as it counts them (fractions included) and when counted.
    double m_turns = CProbeProtocol::kMaxInFlight;
    Clock::time_point m_turnsTime = Clock::now();
};

} // namespace win
