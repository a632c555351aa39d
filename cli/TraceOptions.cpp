#include "TraceOptions.h"

#include "IpAddress.h"
#include "PathWatch.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {
constexpr unsigned long long kMaxTimeoutMs = 0xFFFFFFFFull;
}

const char* CTraceOptions::UsageText()
{
    return "Aufruf: quorail-trace [-4|-6] [-n] [-m MAXHOPS] [-w SEKUNDEN] [-q PROBEN] [--sequential] [--json | --csv]\n"
           "                     HOST\n"
           "       quorail-trace --report [-n] [-m MAXHOPS] [-w SEKUNDEN] [--cycles N] [--interval SEKUNDEN]\n"
           "                     [--json | --csv] HOST\n"
           "  HOST           Name, IPv4-Adresse oder IPv6-Adresse (auch [2001:db8::1], fe80::1%eth0)\n"
           "  -4, -6         nur IPv4 bzw. nur IPv6 (sonst die vom System bevorzugte Adresse)\n"
           "  -n             keine Namen zu den Adressen suchen\n"
           "  -m MAXHOPS     h\xF6" "chste TTL, 1 bis 255 (30)\n"
           "  -w SEKUNDEN    h\xF6" "chste Wartezeit je Probe, Dezimalen erlaubt, 0.001 bis 4294967.295 (5)\n"
           "  -q PROBEN      Proben je Hop, 1 bis 1000 (3)\n"
           "  --sequential   eine Probe nach der anderen, jede mit ihrer ganzen Wartezeit\n"
           "  -r, --report   den Weg in Runden beobachten, dann je Hop Verlust und Zeiten (Wartezeit 2)\n"
           "  -c, --cycles N Runden des Berichts, 1 bis 4294967295 (10)\n"
           "  --interval SEKUNDEN  Abstand der Runden, Dezimalen erlaubt, mindestens 0.002 (1)\n"
           "  --json, --csv  als JSON oder CSV ausgeben\n"
           "  -h, --help     diese Hilfe\n"
           "  -V, --version  die Version\n";
}

CTraceOptions::EResult CTraceOptions::Parse(const std::vector<std::string>& args)
{
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const EResult result = arg.rfind("--", 0) == 0 ? ParseLong(args, i) : ParseShort(args, i);
        if (result != EResult::Run)
            return result;
    }
    if (operands.empty()) {
        m_error = "HOST fehlt";
        return EResult::Usage;
    }
    if (operands.size() > 1) {
        m_error = "nur ein HOST erlaubt, \xFC" "berz\xE4hlig: " + operands[1];
        return EResult::Usage;
    }
    m_host = operands[0];
    if (!CheckLiteral())
        return EResult::Usage;
    return CheckCombination();
}

bool CTraceOptions::CheckLiteral()
{
    const std::optional<win::CIpAddress> literal = win::CIpAddress::Parse(m_host);
    if (!literal) {
        if (win::CIpAddress::IsLinkLocalWithoutZone(m_host)) {
            m_error = "link-lokale Adresse ohne Zone (etwa fe80::1%eth0): " + m_host;
            return false;
        }
        if (m_host.find(':') != std::string::npos || m_host.find('[') != std::string::npos) {
            m_error = "keine gueltige IPv6-Adresse: " + m_host;
            return false;
        }
        return true;
    }
    if ((m_family == CRouteTracer::EFamily::V4 && literal->IsV6()) ||
        (m_family == CRouteTracer::EFamily::V6 && !literal->IsV6())) {
        m_error = std::string(m_family == CRouteTracer::EFamily::V4 ? "-4" : "-6") + " passt nicht zur Adresse " + m_host;
        return false;
    }
    return true;
}

bool CTraceOptions::TakeFamily(char option)
{
    const CRouteTracer::EFamily family = option == '4' ? CRouteTracer::EFamily::V4 : CRouteTracer::EFamily::V6;
    if (m_family != CRouteTracer::EFamily::Any && m_family != family) {
        m_error = "-4 und -6 schliessen einander aus";
        return false;
    }
    m_family = family;
    return true;
}

CTraceOptions::EResult CTraceOptions::CheckCombination()
{
    if (!m_bReport && m_bWatchOptionGiven) {
        m_error = "--cycles und --interval geh\xF6ren zu --report";
        return EResult::Usage;
    }
    if (m_bReport && m_bSequential) {
        m_error = "--sequential gilt nicht f\xFCr --report";
        return EResult::Usage;
    }
    if (m_bReport && !m_bTimeoutGiven)
        m_timeoutMs = kReportTimeoutMs;
    return EResult::Run;
}

CTraceOptions::EResult CTraceOptions::ParseLong(const std::vector<std::string>& args, std::size_t& index)
{
    const std::string& arg = args[index];
    if (arg == "--help")
        return EResult::Help;
    if (arg == "--version")
        return EResult::Version;
    if (arg == "--sequential" || arg == "--report") {
        (arg == "--report" ? m_bReport : m_bSequential) = true;
        return EResult::Run;
    }
    if (arg == "--json" || arg == "--csv")
        return SetFormat(arg == "--json" ? EFormat::Json : EFormat::Csv) ? EResult::Run : EResult::Usage;
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (name != "--cycles" && name != "--interval") {
        m_error = "unbekannte Option: " + arg;
        return EResult::Usage;
    }
    std::string value;
    if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
    } else if (index + 1 < args.size()) {
        value = args[++index];
    } else {
        m_error = name + " braucht einen Wert";
        return EResult::Usage;
    }
    const bool taken = name == "--cycles" ? TakeCycles(value) : TakeInterval(value);
    return taken ? EResult::Run : EResult::Usage;
}

bool CTraceOptions::SetFormat(EFormat format)
{
    if (m_format != EFormat::Lines && m_format != format) {
        m_error = "nur eines von --json und --csv";
        return false;
    }
    m_format = format;
    return true;
}

bool CTraceOptions::TakeCycles(const std::string& text)
{
    m_bWatchOptionGiven = true;
    const bool digitsOnly = !text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string::npos;
    const unsigned long long parsed = digitsOnly ? std::strtoull(text.c_str(), nullptr, 10) : 0;
    if (!digitsOnly || parsed < 1 || parsed > 0xFFFFFFFFull) {
        m_error = "--cycles: 1 bis 4294967295 Runden erwartet, nicht \"" + text + "\"";
        return false;
    }
    m_cycles = static_cast<unsigned>(parsed);
    return true;
}

bool CTraceOptions::TakeInterval(const std::string& text)
{
    m_bWatchOptionGiven = true;
    const bool wellFormed = !text.empty() && text.find_first_not_of("0123456789.") == std::string::npos &&
                            text.find('.') == text.rfind('.') && text != ".";
    const double seconds = wellFormed ? std::strtod(text.c_str(), nullptr) : 0.0;
    if (!wellFormed || !std::isfinite(seconds) || seconds < CPathWatch::kMinIntervalS || seconds > 86400.0) {
        m_error = "--interval: Sekunden von 0.002 bis 86400 erwartet, nicht \"" + text + "\"";
        return false;
    }
    m_intervalS = seconds;
    return true;
}

CTraceOptions::EResult CTraceOptions::ParseShort(const std::vector<std::string>& args, std::size_t& index)
{
    const std::string& arg = args[index];
    for (std::size_t j = 1; j < arg.size(); ++j) {
        const char option = arg[j];
        if (option == 'h')
            return EResult::Help;
        if (option == 'V')
            return EResult::Version;
        if (option == 'n') {
            m_bResolveNames = false;
            continue;
        }
        if (option == 'r') {
            m_bReport = true;
            continue;
        }
        if (option == '4' || option == '6') {
            if (!TakeFamily(option))
                return EResult::Usage;
            continue;
        }
        if (option != 'm' && option != 'w' && option != 'q' && option != 'c') {
            m_error = std::string("unbekannte Option: -") + option;
            return EResult::Usage;
        }
        std::string value = arg.substr(j + 1);
        if (value.empty()) {
            if (index + 1 >= args.size()) {
                m_error = std::string("-") + option + " braucht einen Wert";
                return EResult::Usage;
            }
            value = args[++index];
        }
        return TakeValue(option, value) ? EResult::Run : EResult::Usage;
    }
    return EResult::Run;
}

bool CTraceOptions::TakeValue(char option, const std::string& text)
{
    unsigned long value = 0;
    switch (option) {
    case 'm':
        if (!TakeNumber(option, text, 1, 255, value))
            return false;
        m_maxHops = static_cast<BYTE>(value);
        return true;
    case 'q':
        if (!TakeNumber(option, text, 1, 1000, value))
            return false;
        m_probesPerHop = static_cast<DWORD>(value);
        return true;
    case 'c':
        return TakeCycles(text);
    default:
        m_bTimeoutGiven = true;
        return TakeSeconds(text);
    }
}

bool CTraceOptions::TakeNumber(char option, const std::string& text, unsigned long min, unsigned long max,
                               unsigned long& value)
{
    const bool digitsOnly = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    errno = 0;
    const unsigned long long parsed = digitsOnly ? std::strtoull(text.c_str(), nullptr, 10) : 0;
    if (!digitsOnly || errno == ERANGE || parsed < min || parsed > max) {
        m_error = std::string("-") + option + ": " + std::to_string(min) + " bis " + std::to_string(max) +
                  " erwartet, nicht \"" + text + "\"";
        return false;
    }
    value = static_cast<unsigned long>(parsed);
    return true;
}

// Seconds as digits with an optional decimal point; whole milliseconds, from 1 ms up.
bool CTraceOptions::TakeSeconds(const std::string& text)
{
    const std::size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    const bool wellFormed = (!whole.empty() || !fraction.empty()) && whole.size() <= 10 &&
                            whole.find_first_not_of("0123456789") == std::string::npos &&
                            fraction.find_first_not_of("0123456789") == std::string::npos;
    unsigned long long ms = 0;
    if (wellFormed) {
        const std::string millis = (fraction + "000").substr(0, 3);
        ms = (whole.empty() ? 0 : std::strtoull(whole.c_str(), nullptr, 10)) * 1000 + std::strtoull(millis.c_str(), nullptr, 10);
    }
    if (!wellFormed || ms < 1 || ms > kMaxTimeoutMs) {
        m_error = "-w: Sekunden von 0.001 bis 4294967.295 erwartet, nicht \"" + text + "\"";
        return false;
    }
    m_timeoutMs = static_cast<DWORD>(ms);
    return true;
}
