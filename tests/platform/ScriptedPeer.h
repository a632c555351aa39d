#pragma once
// Plays the network beyond 198.18.0.1 inside a private namespace: watches `lo` for echo
// requests to 198.18.99.0/24 and answers each with the packets its script makes from the
// request, each after its own delay. Nothing leaves the namespace.

#include "CraftedPackets.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace test {

struct CPeerPacket {
    std::chrono::milliseconds m_delay; // after the request was seen
    Bytes m_packet;                    // a whole IPv4 packet
};

class CScriptedPeer {
public:
    using Script = std::function<std::vector<CPeerPacket>(const Bytes& request)>;

    explicit CScriptedPeer(Script script);
    ~CScriptedPeer();
    CScriptedPeer(const CScriptedPeer&) = delete;
    CScriptedPeer& operator=(const CScriptedPeer&) = delete;

    bool Ready() const;
    int RequestsSeen() const;

    // The target's echo reply to a request packet.
    static Bytes ReplyTo(const Bytes& request);
    // A router's error message about a request packet.
    static Bytes ErrorAbout(const Bytes& request, BYTE type, BYTE code, IPAddr router);

private:
    void Run();
    void Answer(const Bytes& request);

    Script m_script;
    int m_capture = -1;
    int m_inject = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

} // namespace test
