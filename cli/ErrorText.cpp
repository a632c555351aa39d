#include "ErrorText.h"

const char* CErrorText::ReasonFor(DWORD error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
        return "Zugriff verweigert: Proben brauchen root, die Faehigkeit cap_net_raw "
               "(sudo setcap cap_net_raw+ep quorail-trace) oder die eigene Gruppe in "
               "net.ipv4.ping_group_range (sudo sysctl net.ipv4.ping_group_range=\"0 2147483647\")";
    case 4:
        return "zu viele offene Dateien";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "nicht genug Speicher";
    case 31:
        return "ICMP-Socket laesst sich nicht oeffnen";
    case 50:
        return "ICMP wird fuer diese Adressfamilie hier nicht unterstuetzt";
    case ERROR_INVALID_PARAMETER:
        return "ungueltiger Parameter";
    case ERROR_MOD_NOT_FOUND:
        return "Echo-Modul ICMP.DLL nicht gefunden";
    case ERROR_PROC_NOT_FOUND:
        return "dem Echo-Modul ICMP.DLL fehlt eine Funktion";
    case ERROR_CANCELLED:
        return "abgebrochen";
    case WSAHOST_NOT_FOUND:
        return "Host nicht gefunden";
    case WSATRY_AGAIN:
        return "Namensdienst gerade nicht erreichbar, spaeter noch einmal versuchen";
    case WSANO_RECOVERY:
        return "Namensdienst meldet einen bleibenden Fehler";
    case WSANO_DATA:
        return "zu diesem Namen gibt es keine Adresse der verlangten Familie (IPv4 bzw. IPv6)";
    case WSAENETUNREACH:
        return "Netz nicht erreichbar: dieser Rechner hat keine Route zu der Adresse";
    default:
        return nullptr;
    }
}

const char* CErrorText::HopStatusFor(DWORD status)
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
        return "Paket zu gross";
    case IP_REQ_TIMED_OUT:
        return "keine Antwort in der Wartezeit";
    case IP_BAD_ROUTE:
        return "ungueltige Route";
    case IP_TTL_EXPIRED_TRANSIT:
        return "TTL unterwegs abgelaufen";
    case IP_BAD_DESTINATION:
        return "ungueltiges Ziel";
    case IP_REASSEMBLY_TIME_EXCEEDED:
        return "Zeit zum Zusammensetzen abgelaufen";
    case IP_PARAMETER_PROBLEM:
        return "Parameterproblem";
    case IP_DEST_UNREACHABLE:
        return "Ziel nicht erreichbar";
    case IP_TIME_EXCEEDED:
        return "Zeit ueberschritten";
    case IP_DEST_SCOPE_MISMATCH:
        return "Ziel ausserhalb des Geltungsbereichs der Quelle";
    case IP_GENERAL_FAILURE:
        return "allgemeiner Fehler der Proben";
    default:
        return ReasonFor(status);
    }
}
