#include "PathScript.h"

#include <arpa/inet.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::optional<std::int64_t> ParseMs(const std::string& text)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double ms = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(ms) || ms > 3600000.0)
        return std::nullopt;
    return static_cast<std::int64_t>(std::llround(ms * 1000.0));
}

std::optional<unsigned> ParseCount(const std::string& text)
{
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const unsigned value = static_cast<unsigned>(std::stoul(text));
    if (value == 0)
        return std::nullopt;
    return value;
}

std::optional<std::set<unsigned>> ParseCounts(const std::string& text)
{
    std::set<unsigned> counts;
    std::istringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        const auto count = ParseCount(item);
        if (!count)
            return std::nullopt;
        counts.insert(*count);
    }
    if (counts.empty())
        return std::nullopt;
    return counts;
}

} // namespace

std::string FormatAddress(std::uint32_t address)
{
    char text[INET_ADDRSTRLEN] = {};
    in_addr value{};
    value.s_addr = address;
    inet_ntop(AF_INET, &value, text, sizeof text);
    return text;
}

std::optional<std::uint32_t> ParseAddress(const std::string& text)
{
    in_addr value{};
    if (inet_pton(AF_INET, text.c_str(), &value) != 1)
        return std::nullopt;
    return value.s_addr;
}

bool CPathScript::Load(const std::string& fileName)
{
    std::ifstream file(fileName);
    if (!file) {
        m_error = "cannot read " + fileName;
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    return Parse(text.str());
}

bool CPathScript::Parse(const std::string& text)
{
    m_paths.clear();
    std::istringstream stream(text);
    std::string line;
    for (int number = 1; std::getline(stream, line); ++number) {
        if (!ParseLine(line.substr(0, line.find('#')))) {
            m_error = "line " + std::to_string(number) + ": " + m_error;
            return false;
        }
    }
    if (m_paths.empty()) {
        m_error = "no path";
        return false;
    }
    return true;
}

bool CPathScript::ParseLine(const std::string& line)
{
    std::istringstream words(line);
    std::string keyword, addressText;
    if (!(words >> keyword))
        return true;
    if (!(words >> addressText)) {
        m_error = keyword + " needs an address";
        return false;
    }
    std::vector<std::uint32_t> addresses;
    std::istringstream addressList(addressText);
    for (std::string item; std::getline(addressList, item, ',');) {
        const auto one = ParseAddress(item);
        if (!one || (keyword != "hop" && !addresses.empty())) {
            m_error = "bad address " + addressText;
            return false;
        }
        addresses.push_back(*one);
    }
    if (addresses.empty() || addressText.back() == ',') {
        m_error = "bad address " + addressText;
        return false;
    }
    const std::optional<std::uint32_t> address = addresses.front();
    if (keyword == "path") {
        if (FindPath(*address) != nullptr) {
            m_error = "second path to " + addressText;
            return false;
        }
        m_paths.push_back(SimPath{*address, {}});
        return true;
    }
    if (keyword != "hop") {
        m_error = "unknown keyword " + keyword;
        return false;
    }
    if (m_paths.empty()) {
        m_error = "hop before path";
        return false;
    }
    SimHop hop;
    hop.m_address = *address;
    hop.m_balanced.assign(addresses.begin() + 1, addresses.end());
    for (std::uint32_t one : addresses) {
        if (one == m_paths.back().m_destination && addresses.size() > 1) {
            m_error = "the target is no balanced hop";
            return false;
        }
    }
    for (std::string option; words >> option;) {
        if (!ParseHopOption(option, hop))
            return false;
    }
    if (m_paths.back().m_hops.size() >= 255) {
        m_error = "more than 255 hops";
        return false;
    }
    m_paths.back().m_hops.push_back(hop);
    return true;
}

bool CPathScript::ParseHopOption(const std::string& option, SimHop& hop)
{
    const std::size_t equals = option.find('=');
    const std::string name = option.substr(0, equals);
    const std::string value = equals == std::string::npos ? std::string() : option.substr(equals + 1);
    const bool hasValue = equals != std::string::npos;
    m_error = "bad option " + option;
    if (name == "silent" && !hasValue) {
        hop.m_bSilent = true;
    } else if (name == "noise" && !hasValue) {
        hop.m_bNoise = true;
    } else if (name == "rtt") {
        const auto us = ParseMs(value);
        if (!us)
            return false;
        hop.m_rttUs = *us;
    } else if (name == "unreachable") {
        hop.m_unreachableCode = 1;
        if (hasValue) {
            if (value.empty() || value.size() > 2 || value.find_first_not_of("0123456789") != std::string::npos)
                return false;
            hop.m_unreachableCode = std::stoi(value);
            if (hop.m_unreachableCode > 15)
                return false;
        }
    } else if (name == "lose") {
        const auto counts = ParseCounts(value);
        if (!counts)
            return false;
        hop.m_lost.insert(counts->begin(), counts->end());
    } else if (name == "late") {
        const std::size_t colon = value.find(':');
        const auto counts = colon == std::string::npos ? std::nullopt : ParseCounts(value.substr(0, colon));
        const auto us = colon == std::string::npos ? std::nullopt : ParseMs(value.substr(colon + 1));
        if (!counts || !us)
            return false;
        for (unsigned count : *counts)
            hop.m_lateUs[count] = *us;
    } else if (name == "loss") {
        const auto thousandths = ParseMs(value); // the same digits with decimals, scaled by 1000
        if (!thousandths || *thousandths > 100000)
            return false;
        hop.m_lossPercent = static_cast<double>(*thousandths) / 1000.0;
    } else if (name == "jitter") {
        const auto us = ParseMs(value);
        if (!us)
            return false;
        hop.m_jitterUs = *us;
    } else if (name == "seed") {
        if (value.empty() || value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos)
            return false;
        hop.m_seed = static_cast<std::uint32_t>(std::stoul(value));
    } else if (name == "dup") {
        const auto us = hasValue ? ParseMs(value) : std::optional<std::int64_t>(1000);
        if (!us)
            return false;
        hop.m_duplicateUs = *us;
    } else {
        return false;
    }
    m_error.clear();
    return true;
}

const SimPath* CPathScript::FindPath(std::uint32_t destination) const
{
    for (const SimPath& path : m_paths) {
        if (path.m_destination == destination)
            return &path;
    }
    return nullptr;
}
