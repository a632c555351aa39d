#pragma once
// Decides what a scripted path answers to one echo request and when: the hop where the
// probe's TTL runs out, the target, or an unreachable route; with lost, late, duplicate
// and foreign answers as the script asks, and random losses and delays drawn from each
// hop's own seeded generator (the same script gives the same draws). It only plans
// packets; it sends none.

#include "SimPacket.h"
#include "PathScript.h"

#include <cstdint>
#include <random>
#include <vector>

struct ScheduledPacket {
    std::int64_t m_dueUs = 0; // µs on the caller's clock
    std::vector<std::uint8_t> m_packet;
};

class CPathSimulator {
public:
    explicit CPathSimulator(const CPathScript& script);

    // The packets to send for a request that arrived at nowUs; none for a probe that the
    // path swallows or for a destination without a path.
    std::vector<ScheduledPacket> Answer(const EchoRequest& request, std::int64_t nowUs);

private:
    // The hop (index) that decides the probe's fate, or -1 when it passes every hop.
    static int DecidingHop(const SimPath& path, std::uint8_t ttl);
    static std::vector<std::uint8_t> Reply(const SimPath& path, const SimHop& hop, int hopIndex,
                                           const EchoRequest& request);
    // The router of the hop that answers the request's flow.
    static std::uint32_t Router(const SimHop& hop, const EchoRequest& request);
    static void AddNoise(const SimHop& hop, const EchoRequest& request, std::int64_t dueUs,
                         std::vector<ScheduledPacket>& packets);

    CPathScript m_script;
    std::vector<std::vector<unsigned>> m_probeCounts; // [path][hop]: probes decided there
    std::vector<std::vector<std::mt19937>> m_random;  // [path][hop]: its random draws
};
