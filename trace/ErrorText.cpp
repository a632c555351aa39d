#include "ErrorText.h"

#include "ProbeClient.h"

#include <filesystem>
#include <unistd.h>

namespace {

constexpr const char* kInstalledHelper = "/usr/libexec/quorail/quorail-probe";
constexpr DWORD kTooManyOpenFiles = 4;
constexpr DWORD kGenFailure = 31;

std::string AccessDenied()
{
    return "Zugriff verweigert: Proben brauchen Ping-Sockets f\xFCr die eigene Gruppe "
           "(sudo sysctl net.ipv4.ping_group_range=\"0 2147483647\") oder das Hilfsprogramm "
           "mit der F\xE4higkeit cap_net_raw (sudo setcap cap_net_raw+ep " +
           CErrorText::HelperPath() + ")";
}

} // namespace

std::string CErrorText::HelperPath()
{
    for (const std::string& candidate : win::CProbeClient::HelperCandidates()) {
        if (::access(candidate.c_str(), F_OK) == 0)
            return std::filesystem::path(candidate).lexically_normal().string();
    }
    return kInstalledHelper;
}

std::string CErrorText::ReasonFor(DWORD error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
        return AccessDenied();
    case kTooManyOpenFiles:
        return "zu viele offene Dateien";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "nicht genug Speicher";
    case kGenFailure:
        return "ICMP-Socket l\xE4sst sich nicht \xF6" "ffnen";
    case ERROR_NOT_SUPPORTED:
        return "ICMP wird f\xFCr diese Adressfamilie hier nicht unterst\xFCtzt";
    case ERROR_INVALID_PARAMETER:
        return "ung\xFCltiger Parameter";
    case ERROR_MOD_NOT_FOUND:
        return "Echo-Modul ICMP.DLL nicht gefunden";
    case ERROR_PROC_NOT_FOUND:
        return "dem Echo-Modul ICMP.DLL fehlt eine Funktion";
    case ERROR_CANCELLED:
        return "abgebrochen";
    case WSAENETUNREACH:
        return "Netz nicht erreichbar: dieser Rechner hat keine Route zu der Adresse";
    case WSAEHOSTUNREACH:
        return "Host nicht erreichbar: von hier f\xFChrt kein Weg zum Ziel";
    case IP_BAD_DESTINATION:
        return "das Ziel ist keine einzelne Adresse (Multicast, Broadcast oder unbestimmt): "
               "dorthin sendet Quorail keine Proben";
    case WSAHOST_NOT_FOUND:
        return "Host nicht gefunden";
    case WSATRY_AGAIN:
        return "Namensdienst gerade nicht erreichbar, sp\xE4ter noch einmal versuchen";
    case WSANO_RECOVERY:
        return "Namensdienst meldet einen bleibenden Fehler";
    case WSANO_DATA:
        return "zu diesem Namen gibt es keine Adresse der verlangten Familie (IPv4 bzw. IPv6)";
    default:
        return {};
    }
}

std::string CErrorText::HopStatusFor(DWORD status)
{
    switch (status) {
    case IP_SUCCESS:
        return "beantwortet";
    case IP_DEST_NET_UNREACHABLE:
        return "Zielnetz nicht erreichbar";
    case IP_DEST_HOST_UNREACHABLE:
        return "Zielhost nicht erreichbar";
    case IP_DEST_PROT_UNREACHABLE:
        return "Zielprotokoll nicht erreichbar";
    case IP_DEST_PORT_UNREACHABLE:
        return "Zielport nicht erreichbar";
    case IP_NO_RESOURCES:
        return "keine Mittel zum Senden";
    case IP_HW_ERROR:
        return "Fehler beim Senden";
    case IP_PACKET_TOO_BIG:
        return "Paket zu gro\xDF";
    case IP_REQ_TIMED_OUT:
        return "keine Antwort in der Wartezeit";
    case IP_BAD_ROUTE:
        return "ung\xFCltige Route";
    case IP_TTL_EXPIRED_TRANSIT:
        return "TTL unterwegs abgelaufen";
    case IP_BAD_DESTINATION:
        return "ung\xFCltiges Ziel";
    case IP_REASSEMBLY_TIME_EXCEEDED:
        return "Zeit zum Zusammensetzen abgelaufen";
    case IP_PARAMETER_PROBLEM:
        return "Parameterproblem";
    case IP_DEST_UNREACHABLE:
        return "Ziel nicht erreichbar";
    case IP_TIME_EXCEEDED:
        return "Zeit \xFC" "berschritten";
    case IP_DEST_SCOPE_MISMATCH:
        return "Ziel au\xDF" "erhalb des Geltungsbereichs der Quelle";
    case IP_GENERAL_FAILURE:
        return "allgemeiner Fehler der Proben";
    default:
        return ReasonFor(status);
    }
}

std::string CErrorText::UnreachableReason(DWORD status, const win::CIpAddress& from)
{
    const char* what = "Ziel nicht erreichbar";
    switch (status) {
    case IP_DEST_NET_UNREACHABLE:
        what = "Netz nicht erreichbar (!N)";
        break;
    case IP_DEST_HOST_UNREACHABLE:
        what = "Host nicht erreichbar (!H)";
        break;
    case IP_DEST_PROT_UNREACHABLE:
        what = "Protokoll nicht erreichbar (!P)";
        break;
    case IP_DEST_PORT_UNREACHABLE:
        what = "Port nicht erreichbar";
        break;
    case IP_PACKET_TOO_BIG:
        what = "Fragmentierung n\xF6tig (!F)";
        break;
    case IP_BAD_ROUTE:
        what = "Quellroute fehlgeschlagen (!S)";
        break;
    case IP_DEST_SCOPE_MISMATCH:
        what = "Ziel au\xDF" "erhalb des Geltungsbereichs (!S)";
        break;
    default:
        break;
    }
    return "Ende der Route: " + from.Text() + " meldet " + what;
}
