#include "TraceOptions.h"

#include <cerrno>
#include <cstdlib>

const char* CTraceOptions::UsageText()
{
    return "Aufruf: quorail-trace [-n] [-m MAXHOPS] [-w TIMEOUT_MS] [-q PROBES] HOST\n"
           "  -n             keine Namen zu den Adressen suchen\n"
           "  -m MAXHOPS     hoechste TTL, 1 bis 255 (30)\n"
           "  -w TIMEOUT_MS  Wartezeit je Probe in ms, 1 bis 4294967295 (30000)\n"
           "  -q PROBES      Proben je Hop, 1 bis 1000 (3)\n"
           "  --help         diese Hilfe\n";
}

bool CTraceOptions::TakeNumber(const std::vector<std::string>& args, std::size_t& index, unsigned long min,
                               unsigned long max, unsigned long& value)
{
    const std::string& option = args[index];
    if (index + 1 >= args.size()) {
        m_error = option + " braucht eine Zahl";
        return false;
    }
    const std::string& text = args[++index];
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
    const bool digitsOnly = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    if (!digitsOnly || errno == ERANGE || *end != '\0' || parsed < min || parsed > max) {
        m_error = option + ": Zahl ausserhalb des Bereichs: " + text;
        return false;
    }
    value = static_cast<unsigned long>(parsed);
    return true;
}

CTraceOptions::EResult CTraceOptions::Parse(const std::vector<std::string>& args)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        unsigned long value = 0;
        if (arg == "--help" || arg == "-h")
            return EResult::Help;
        if (arg == "-n") {
            m_bResolveNames = false;
        } else if (arg == "-m") {
            if (!TakeNumber(args, i, 1, 255, value))
                return EResult::Usage;
            m_maxHops = static_cast<BYTE>(value);
        } else if (arg == "-w") {
            if (!TakeNumber(args, i, 1, 0xFFFFFFFFul, value))
                return EResult::Usage;
            m_timeoutMs = static_cast<DWORD>(value);
        } else if (arg == "-q") {
            if (!TakeNumber(args, i, 1, 1000, value))
                return EResult::Usage;
            m_probesPerHop = static_cast<DWORD>(value);
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            m_error = "unbekannte Option: " + arg;
            return EResult::Usage;
        } else {
            if (arg == "--" && i + 1 == args.size())
                break;
            if (arg == "--" && i + 1 < args.size())
                ++i;
            if (!m_host.empty() || i + 1 < args.size()) {
                m_error = "nur ein HOST erlaubt";
                return EResult::Usage;
            }
            m_host = args[i];
        }
    }
    if (m_host.empty()) {
        m_error = "HOST fehlt";
        return EResult::Usage;
    }
    return EResult::Run;
}
