// The parallel schedule against the sequential one, which is the reference: random paths
// played by quorail-pathsim, each traced with both, must give the same lines, round trips
// within 2 ms. Each schedule gets a fresh simulator, so that the per-hop probe counts
// that lost and late probes go by start from zero for each. The same kind of paths is
// played over IPv6 too, where the simulator answers 2001:2:0:200::/96 for 198.18.200.0/24.

#include "ChildProcess.h"
#include "TraceRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <unistd.h>

namespace {

constexpr const char* kV6Prefix = "2001:2:0:200::"; // the simulator's IPv6 form of its IPv4 paths
constexpr DWORD kTimeoutMs = 120;
constexpr int kMaxRoundTripGapMs = 2;
constexpr int kRounds = 6; // the first, and five more for paths off in their round trips alone

struct CPlayedPath {
    std::string m_destination;
    BYTE m_maxHops = 30;
    std::string m_script;
};

std::string HopAddress(int hopNumber)
{
    return "198.18.200." + std::to_string(209 + hopNumber);
}

// One random path: routers that are silent, lose probes, answer late (inside the timeout
// or after it), twice, among foreign ICMP; ending at a target that answers or never does,
// or at a router that reports the route unreachable. Lost and late probes are left to
// routers, where each probe number is that of one TTL under either schedule.
std::string RandomPath(std::mt19937& random, int index, CPlayedPath& played)
{
    auto chance = [&](int percent) { return std::uniform_int_distribution<int>(1, 100)(random) <= percent; };
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    played.m_destination = "198.18.200." + std::to_string(10 + index);
    const int length = pick(1, 30);
    const bool unreachableEnd = length > 1 && chance(8);
    const bool silentTarget = !unreachableEnd && chance(12);
    std::ostringstream script;
    script << "path " << played.m_destination << "\n";
    for (int hop = 1; hop <= length; ++hop) {
        const bool last = hop == length;
        script << "hop " << (last && !unreachableEnd ? played.m_destination : HopAddress(hop));
        script << " rtt=" << pick(5, 60) / 10.0;
        if (last) {
            if (unreachableEnd)
                script << " unreachable=" << pick(0, 3);
            if (silentTarget)
                script << " silent";
        } else if (chance(6)) {
            script << " silent";
        } else if (chance(6)) {
            script << " lose=" << pick(1, 3);
        } else if (chance(6)) {
            script << " late=" << pick(1, 3) << ":" << pick(20, 70);
        } else if (chance(4)) {
            script << " late=" << pick(1, 3) << ":" << pick(200, 300);
        }
        if (chance(10))
            script << " dup=" << pick(1, 5);
        if (chance(5))
            script << " noise";
        script << "\n";
    }
    // Past an end that never answers, or that repeats itself, a few more hops are tried.
    const int beyond = silentTarget || unreachableEnd ? pick(0, 2) : pick(0, 30);
    played.m_maxHops = static_cast<BYTE>(std::min(30, length + beyond));
    played.m_script = script.str();
    return played.m_script;
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream stream(line);
    for (std::string field; std::getline(stream, field, '\t');)
        fields.push_back(field);
    return fields;
}

// The same fields, but the three round trips may differ by up to gapMs.
bool SameFields(const std::string& expected, const std::string& actual, int gapMs)
{
    const std::vector<std::string> want = Fields(expected);
    const std::vector<std::string> got = Fields(actual);
    if (want.size() != got.size())
        return false;
    for (std::size_t i = 0; i < want.size(); ++i) {
        const bool roundTrip = i >= 1 && i <= 3 && want[i] != "*" && got[i] != "*";
        if (roundTrip ? std::abs(std::atoi(want[i].c_str()) - std::atoi(got[i].c_str())) > gapMs
                      : want[i] != got[i])
            return false;
    }
    return true;
}

bool SameLine(const std::string& expected, const std::string& actual)
{
    return SameFields(expected, actual, kMaxRoundTripGapMs);
}

bool SameLineButTimes(const std::string& expected, const std::string& actual)
{
    return SameFields(expected, actual, std::numeric_limits<int>::max());
}

// The paths picked by indexes, each traced once, on a fresh simulator.
std::vector<CTraceRun> TraceAll(const std::string& script, const std::vector<CPlayedPath>& paths,
                                const std::vector<std::size_t>& indexes, CRouteTracer::ESchedule schedule, bool v6)
{
    CChildProcess simulator;
    if (!simulator.StartAndWaitFor({QUORAIL_PATHSIM, script}, "ready", 5000)) {
        ADD_FAILURE() << "quorail-pathsim did not start: " << simulator.Stop();
        return {};
    }
    std::vector<CTraceRun> runs;
    for (std::size_t index : indexes)
        runs.emplace_back((v6 ? kV6Prefix : "") + paths[index].m_destination, paths[index].m_maxHops, kTimeoutMs, 3,
                          false, schedule);
    return runs;
}

bool SameTimes(const CTraceRun& sequential, const CTraceRun& parallel)
{
    for (std::size_t k = 0; k < sequential.m_lines.size(); ++k) {
        if (!SameLine(sequential.m_lines[k], parallel.m_lines[k]))
            return false;
    }
    return true;
}

} // namespace

// The family, and how many random paths it gets (IPv6 fewer: the engine is shared).
struct CFamilyRun {
    bool m_v6 = false;
    int m_paths = 0;
};

class ScheduleDifferential : public testing::TestWithParam<CFamilyRun> {};

INSTANTIATE_TEST_SUITE_P(Families, ScheduleDifferential,
                         testing::Values(CFamilyRun{false, 200}, CFamilyRun{true, 60}),
                         [](const testing::TestParamInfo<CFamilyRun>& info) {
                             return info.param.m_v6 ? "IPv6" : "IPv4";
                         });

TEST_P(ScheduleDifferential, RandomPathsGiveTheSameLinesUnderBothSchedules)
{
    const bool v6 = GetParam().m_v6;
    const int pathCount = GetParam().m_paths;
    // QUORAIL_SCHEDULE_SEED replays the paths of a failed run.
    const char* replay = std::getenv("QUORAIL_SCHEDULE_SEED");
    const unsigned seed = replay != nullptr ? static_cast<unsigned>(std::strtoul(replay, nullptr, 10))
                                            : std::random_device{}();
    std::mt19937 random(seed);
    std::vector<CPlayedPath> paths(static_cast<std::size_t>(pathCount));
    std::vector<std::size_t> all;
    std::string text;
    for (int i = 0; i < pathCount; ++i) {
        text += RandomPath(random, i, paths[static_cast<std::size_t>(i)]);
        all.push_back(static_cast<std::size_t>(i));
    }
    char scriptName[] = "/tmp/qlab-differential.XXXXXX";
    const int fd = ::mkstemp(scriptName);
    ASSERT_GE(fd, 0);
    ::close(fd);
    std::ofstream(scriptName) << text;

    // A busy machine delays answers by some ms for a while: a path whose lines differ in
    // their round trips alone is traced again, with both schedules, before it counts.
    std::vector<std::size_t> indexes = all;
    for (int round = 0; round < kRounds && !indexes.empty(); ++round) {
        std::fprintf(stderr, "seed %u, round %d: %zu paths\n", seed, round + 1, indexes.size());
        const auto sequential = TraceAll(scriptName, paths, indexes, CRouteTracer::ESchedule::Sequential, v6);
        const auto parallel = TraceAll(scriptName, paths, indexes, CRouteTracer::ESchedule::Parallel, v6);
        ASSERT_EQ(sequential.size(), indexes.size());
        ASSERT_EQ(parallel.size(), indexes.size());
        std::vector<std::size_t> again;
        for (std::size_t n = 0; n < indexes.size(); ++n) {
            const CPlayedPath& path = paths[indexes[n]];
            SCOPED_TRACE("seed " + std::to_string(seed) + ", path to " + path.m_destination + ", hop limit " +
                         std::to_string(path.m_maxHops) + ":\n" + path.m_script);
            EXPECT_EQ(parallel[n].m_bResult, sequential[n].m_bResult);
            ASSERT_EQ(parallel[n].m_lines.size(), sequential[n].m_lines.size());
            for (std::size_t k = 0; k < sequential[n].m_lines.size(); ++k)
                EXPECT_PRED2(SameLineButTimes, sequential[n].m_lines[k], parallel[n].m_lines[k]);
            if (SameTimes(sequential[n], parallel[n]))
                continue;
            if (round + 1 < kRounds) {
                again.push_back(indexes[n]);
                continue;
            }
            for (std::size_t k = 0; k < sequential[n].m_lines.size(); ++k)
                EXPECT_PRED2(SameLine, sequential[n].m_lines[k], parallel[n].m_lines[k]);
        }
        indexes = again;
    }
    ::unlink(scriptName);
}
