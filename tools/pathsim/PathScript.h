#pragma once
// A scripted path: per destination address the hops a probe passes, each with its
// address, round-trip time and behaviour. Parses the script text; knows nothing of packets.
//
// Script lines ('#' starts a comment):
//   path DEST                  begins the path to DEST (dotted IPv4)
//   hop ADDRESS [OPTION...]    the next hop of the current path; the hop whose address is
//                              DEST answers echo requests, every other one time-exceeded
//   hop A,B[,C...] [OPTION...] a hop balanced per flow: one of its routers answers, chosen
//                              by a hash of the request's addresses, protocol and first
//                              four ICMP bytes (type, code, checksum), as routers that
//                              balance load per flow choose the next hop
// Options:
//   rtt=MS                     round-trip time in ms, decimals allowed (default 0)
//   silent                     sends nothing
//   unreachable[=CODE]         the route ends here: destination-unreachable with CODE
//                              (default 1, host unreachable) for every probe that gets here
//   lose=N[,N...]              the hop's N-th probes (counted from 1) get no answer
//   late=N[,N...]:MS           the hop answers its N-th probes after MS instead of rtt
//   noise                      foreign ICMP messages arrive at half the answer's time
//   dup[=MS]                   each answer arrives a second time MS later (default 1)
//   loss=PCT                   each probe is lost at random with PCT % (decimals allowed)
//   jitter=MS                  each answer comes up to MS later than rtt, uniformly at random
//   seed=N                     the seed of the hop's random draws (default: its hop number)

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct SimHop {
    std::uint32_t m_address = 0; // network order
    std::vector<std::uint32_t> m_balanced; // further routers of a hop balanced per flow
    std::int64_t m_rttUs = 0;    // µs
    bool m_bSilent = false;
    int m_unreachableCode = -1; // -1: the route goes on
    std::set<unsigned> m_lost;  // probe numbers, from 1
    std::map<unsigned, std::int64_t> m_lateUs; // probe number -> answer delay, µs
    bool m_bNoise = false;
    std::optional<std::int64_t> m_duplicateUs; // delay of the second answer, µs
    double m_lossPercent = 0;   // chance of a random loss, %
    std::int64_t m_jitterUs = 0; // largest random extra delay, µs
    std::optional<std::uint32_t> m_seed;
};

struct SimPath {
    std::uint32_t m_destination = 0; // network order
    std::vector<SimHop> m_hops;
};

class CPathScript {
public:
    // False with m_error ("line N: why") on the first bad line.
    bool Parse(const std::string& text);
    bool Load(const std::string& fileName);

    const SimPath* FindPath(std::uint32_t destination) const;

    std::vector<SimPath> m_paths;
    std::string m_error;

private:
    bool ParseLine(const std::string& line);
    bool ParseHopOption(const std::string& option, SimHop& hop);
};

// The dotted form of an address in network order, and back (nullopt when malformed).
std::string FormatAddress(std::uint32_t address);
std::optional<std::uint32_t> ParseAddress(const std::string& text);
