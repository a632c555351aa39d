#pragma once
// Where IcmpCreateFile gets its sockets: a few closed ones kept for the next handle, so
// that a probe costs no socket set-up. A kept socket is trusted only for the trust period
// and only in the process, network namespace and credentials it was opened under: a
// change of ping_group_range (or of anything else that decides the kind) holds for every
// handle opened one trust period after it.

#include "EchoSocket.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace win {

class CEchoSocketPool {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kTrustPeriod{1000};
    static constexpr std::size_t kCapacity = 4; // sockets kept at most

    explicit CEchoSocketPool(Clock::duration trustPeriod = kTrustPeriod);
    static CEchoSocketPool& Instance();

    // A kept socket that may still be used, else a new one; null with the errno of the
    // last attempt.
    std::shared_ptr<CEchoSocket> Take(int& error);
    // The same for a socket of family.
    std::shared_ptr<CEchoSocket> Take(CIpAddress::EFamily family, int& error);
    // Keeps a socket that nothing else holds any more, or lets it close (always when this
    // thread's blocking calls are cancelled).
    void Give(std::shared_ptr<CEchoSocket> socket);
    // Sockets kept now.
    std::size_t Kept();

private:
    using COrigin = CEchoSocket::COrigin;

    // None when the network namespace cannot be told (no /proc): then nothing is kept.
    static std::optional<COrigin> CurrentOrigin(Clock::time_point now);
    bool Trusted(const COrigin& fact, const COrigin& now) const;
    static std::unique_ptr<CEchoSocket> Open(CIpAddress::EFamily family, const std::optional<COrigin>& origin,
                                             int& error);
    void DropStale(const std::optional<COrigin>& origin);

    Clock::duration m_trustPeriod;
    std::mutex m_lock;
    std::vector<std::shared_ptr<CEchoSocket>> m_kept;
};

} // namespace win
