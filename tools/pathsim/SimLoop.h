#pragma once
// The simulator's event loop: reads echo requests from the tun device, has the path
// simulator plan the answers, and writes each answer when it falls due. Ends when the
// stop descriptor (a signalfd) becomes readable or the device fails.

#include "PathSimulator.h"
#include "TunDevice.h"

#include <cstdint>
#include <map>
#include <vector>

class CSimLoop {
public:
    CSimLoop(CTunDevice& tun, CPathSimulator& simulator, int stopFd, bool verbose);

    void Run();

private:
    // False once a stop signal arrived or the device failed; requests tells whether the
    // device has packets.
    bool WaitForWork(bool& requests);
    void ReadRequests();
    void SendDue();

    CTunDevice& m_tun;
    CPathSimulator& m_simulator;
    int m_stopFd;
    bool m_bVerbose;
    std::multimap<std::int64_t, std::vector<std::uint8_t>> m_pending; // due time in µs -> packet
};
