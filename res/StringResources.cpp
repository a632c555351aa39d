// The program's string table; the framework has the texts of its standard commands.

#include "Resource.h"
#include "StringTable.h"

namespace {

const CStringTable s_programStrings({
    {IDS_SOCKETS_INIT_FAILED, "Fehler beim Initialisieren der Windows-Sockets."},
    {IDS_HELP_FILE_MISSING,
     "Kann die Quorail.CHM Datei nicht finden, sie muß sein in: \"%1\"\n\nWillst Du im Internet danach suchen?"},
    {IDS_HELP_NO_OPENER,
     "Die Hilfe kann nicht angezeigt werden: Das Programm xdg-open (Paket xdg-utils) ist nicht installiert."},
    {IDS_HELP_NO_VIEWER,
     "Die Hilfe kann nicht angezeigt werden: Kein Programm zeigt CHM-Hilfedateien an. Installiere zum Beispiel xchm."},
    {IDR_MAINFRAME, "Quorail\n\nQuorai\n\n\nQuorail.Document\nQuorai Document"},
    {ID_CONNECT, "Verbinde mit zu untersuchende URL\nVerbinden"},
    {ID_WATCH, "Beobachtet Verlust und Laufzeit je Hop über die Zeit\nBeobachten"},
    {IDS_WATCH_SAVE_TYPE,
     "Die Datei \"%1\" kann nicht gespeichert werden: der Name muß auf .csv oder .json enden."},
    {ID_HELP_MANUAL, "Hilfe und Anleitung\nHilfe"},
    {AFX_IDS_APP_TITLE, "Quorail"},
    {AFX_IDS_IDLEMESSAGE, "Bereit"},
});

} // namespace
