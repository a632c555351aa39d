#include "PathSimulator.h"

namespace {
constexpr std::uint8_t kTimeExceeded = 11;
constexpr std::uint8_t kDestinationUnreachable = 3;
constexpr std::uint16_t kForeignIdMask = 0x5A5A;
constexpr std::uint16_t kStaleSequenceStep = 0x0100;
constexpr std::uint8_t kProtocolIcmp = 1;
constexpr std::size_t kFlowBytes = 4; // ICMP type, code, checksum

// FNV-1a, 32 bits.
std::uint32_t Hash(std::uint32_t hash, const std::uint8_t* bytes, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}
} // namespace

CPathSimulator::CPathSimulator(const CPathScript& script)
    : m_script(script)
{
    for (const SimPath& path : m_script.m_paths) {
        m_probeCounts.emplace_back(path.m_hops.size(), 0u);
        m_random.emplace_back();
        for (std::size_t i = 0; i < path.m_hops.size(); ++i)
            m_random.back().emplace_back(path.m_hops[i].m_seed.value_or(static_cast<std::uint32_t>(i + 1)));
    }
}

int CPathSimulator::DecidingHop(const SimPath& path, std::uint8_t ttl)
{
    for (std::size_t i = 0; i < path.m_hops.size(); ++i) {
        const SimHop& hop = path.m_hops[i];
        const unsigned hopNumber = static_cast<unsigned>(i) + 1;
        const bool reached = ttl >= hopNumber;
        const bool ends = hop.m_unreachableCode >= 0 || hop.m_address == path.m_destination;
        if ((reached && ends) || ttl == hopNumber)
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<std::uint8_t> CPathSimulator::Reply(const SimPath& path, const SimHop& hop, int hopIndex,
                                                const EchoRequest& request)
{
    // The TTL the probe had when it arrived at this hop, as the hop quotes it.
    const auto arrivedTtl = static_cast<std::uint8_t>(request.m_ttl - hopIndex);
    const std::uint32_t router = Router(hop, request);
    if (hop.m_unreachableCode >= 0)
        return CSimPacket::Error(request, router, kDestinationUnreachable,
                                  static_cast<std::uint8_t>(hop.m_unreachableCode), arrivedTtl);
    if (hop.m_address == path.m_destination)
        return CSimPacket::EchoReply(request);
    return CSimPacket::Error(request, router, kTimeExceeded, 0, arrivedTtl);
}

std::uint32_t CPathSimulator::Router(const SimHop& hop, const EchoRequest& request)
{
    if (hop.m_balanced.empty())
        return hop.m_address;
    std::uint32_t hash = 2166136261u;
    hash = Hash(hash, reinterpret_cast<const std::uint8_t*>(&request.m_source), sizeof request.m_source);
    hash = Hash(hash, reinterpret_cast<const std::uint8_t*>(&request.m_destination), sizeof request.m_destination);
    hash = Hash(hash, &kProtocolIcmp, 1);
    hash = Hash(hash, request.m_packet.data() + request.m_headerLength, kFlowBytes);
    const std::size_t choice = hash % (hop.m_balanced.size() + 1);
    return choice == 0 ? hop.m_address : hop.m_balanced[choice - 1];
}

void CPathSimulator::AddNoise(const SimHop& hop, const EchoRequest& request, std::int64_t dueUs,
                              std::vector<ScheduledPacket>& packets)
{
    // Answers to another program's probe, and stale answers to an earlier probe of ours.
    const auto foreignId = static_cast<std::uint16_t>(request.m_id ^ kForeignIdMask);
    const auto staleSequence = static_cast<std::uint16_t>(request.m_sequence - kStaleSequenceStep);
    const EchoRequest foreign = CSimPacket::Renumbered(request, foreignId, request.m_sequence);
    const EchoRequest stale = CSimPacket::Renumbered(request, request.m_id, staleSequence);
    for (const EchoRequest* other : {&foreign, &stale}) {
        packets.push_back({dueUs, CSimPacket::EchoReply(*other)});
        packets.push_back({dueUs, CSimPacket::Error(*other, hop.m_address, kTimeExceeded, 0, 1)});
    }
}

std::vector<ScheduledPacket> CPathSimulator::Answer(const EchoRequest& request, std::int64_t nowUs)
{
    std::vector<ScheduledPacket> packets;
    const SimPath* path = m_script.FindPath(request.m_destination);
    if (path == nullptr || request.m_ttl == 0)
        return packets;
    const int hopIndex = DecidingHop(*path, request.m_ttl);
    if (hopIndex < 0)
        return packets;
    const SimHop& hop = path->m_hops[static_cast<std::size_t>(hopIndex)];
    const auto pathIndex = static_cast<std::size_t>(path - m_script.m_paths.data());
    const unsigned probe = ++m_probeCounts[pathIndex][static_cast<std::size_t>(hopIndex)];
    std::mt19937& random = m_random[pathIndex][static_cast<std::size_t>(hopIndex)];
    // Both draws are made for every probe, so that one hop's losses do not shift its delays.
    const bool randomLoss = std::uniform_real_distribution<double>(0.0, 100.0)(random) < hop.m_lossPercent;
    const std::int64_t jitterUs = std::uniform_int_distribution<std::int64_t>(0, hop.m_jitterUs)(random);
    if (hop.m_bSilent || hop.m_lost.count(probe) != 0 || randomLoss)
        return packets;
    const auto late = hop.m_lateUs.find(probe);
    const std::int64_t dueUs = nowUs + (late != hop.m_lateUs.end() ? late->second : hop.m_rttUs + jitterUs);
    if (hop.m_bNoise)
        AddNoise(hop, request, nowUs + (dueUs - nowUs) / 2, packets);
    packets.push_back({dueUs, Reply(*path, hop, hopIndex, request)});
    if (hop.m_duplicateUs)
        packets.push_back({dueUs + *hop.m_duplicateUs, packets.back().m_packet});
    return packets;
}
