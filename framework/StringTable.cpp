#include "StringTable.h"

#include "AfxRes.h"

#include <map>

namespace {

const char* const kOpenThisDocument = "Öffnet dieses Dokument.";

// Built on first use, so the program's tables may register in any order.
std::map<UINT, const char*>& ProgramTable()
{
    static std::map<UINT, const char*> table;
    return table;
}

const std::map<UINT, const char*>& FrameworkTable()
{
    static const std::map<UINT, const char*> table = [] {
        std::map<UINT, const char*> t = {
            {ID_FILE_NEW, "Erstellt ein neues Dokument.\nNeu"},
            {ID_FILE_OPEN, "Öffnet ein bestehendes Dokument.\nÖffnen"},
            {ID_FILE_CLOSE, "Schließt das aktive Dokument.\nSchließen"},
            {ID_FILE_SAVE, "Speichert das aktive Dokument.\nSpeichern"},
            {ID_FILE_SAVE_AS, "Speichert das aktive Dokument unter neuem Namen.\nSpeichern unter"},
            {ID_FILE_PAGE_SETUP, "Ändert die Druckoptionen.\nSeite einrichten"},
            {ID_FILE_PRINT_SETUP, "Ändert den Drucker und die Druckoptionen.\nDruckereinrichtung"},
            {ID_FILE_PRINT, "Druckt das aktive Dokument.\nDrucken"},
            {ID_FILE_PRINT_PREVIEW, "Zeigt ganze Seiten an.\nSeitenansicht"},
            {ID_APP_ABOUT, "Zeigt Programm-Informationen, Versionsnummer und Copyright an.\nInfo"},
            {ID_APP_EXIT, "Verläßt die Anwendung; fragt, ob Dokumente gespeichert werden sollen.\nBeenden"},
            {ID_EDIT_CLEAR, "Löscht die Markierung.\nLöschen"},
            {ID_EDIT_CLEAR_ALL, "Löscht alles.\nAlles löschen"},
            {ID_EDIT_COPY, "Kopiert die Markierung in die Zwischenablage.\nKopieren"},
            {ID_EDIT_CUT, "Entfernt die Markierung und kopiert sie in die Zwischenablage.\nAusschneiden"},
            {ID_EDIT_FIND, "Sucht den angegebenen Text.\nSuchen"},
            {ID_EDIT_PASTE, "Fügt den Inhalt der Zwischenablage ein.\nEinfügen"},
            {ID_EDIT_REPEAT, "Wiederholt die letzte Aktion.\nWiederholen"},
            {ID_EDIT_REPLACE, "Ersetzt einen Text durch einen anderen.\nErsetzen"},
            {ID_EDIT_SELECT_ALL, "Markiert das gesamte Dokument.\nAlles markieren"},
            {ID_EDIT_UNDO, "Macht die letzte Aktion rückgängig.\nRückgängig"},
            {ID_EDIT_REDO, "Stellt die zuletzt rückgängig gemachte Aktion wieder her.\nWiederherstellen"},
            {ID_WINDOW_SPLIT, "Teilt das aktive Fenster in Ausschnitte.\nTeilen"},
            {ID_NEXT_PANE, "Wechselt zum nächsten Fensterausschnitt.\nNächster Ausschnitt"},
            {ID_PREV_PANE, "Wechselt zum vorherigen Fensterausschnitt.\nVorheriger Ausschnitt"},
            {ID_INDICATOR_EXT, "ER"},
            {ID_INDICATOR_CAPS, "UF"},
            {ID_INDICATOR_NUM, "NUM"},
            {ID_INDICATOR_SCRL, "RF"},
            {ID_INDICATOR_OVR, "ÜB"},
            {ID_INDICATOR_REC, "MA"},
            {ID_VIEW_TOOLBAR, "Blendet die Symbolleiste ein oder aus.\nSymbolleiste ein-/ausschalten"},
            {ID_VIEW_STATUS_BAR, "Blendet die Statusleiste ein oder aus.\nStatusleiste ein-/ausschalten"},
            {AFX_IDS_SCSIZE, "Ändert die Fenstergröße."},
            {AFX_IDS_SCMOVE, "Ändert die Position des Fensters."},
            {AFX_IDS_SCMINIMIZE, "Verkleinert das Fenster zu einem Symbol."},
            {AFX_IDS_SCMAXIMIZE, "Vergrößert das Fenster zu voller Größe."},
            {AFX_IDS_SCNEXTWINDOW, "Wechselt zum nächsten Dokumentfenster."},
            {AFX_IDS_SCPREVWINDOW, "Wechselt zum vorherigen Dokumentfenster."},
            {AFX_IDS_SCCLOSE, "Schließt das aktive Fenster und fragt, ob Dokumente gespeichert werden sollen."},
            {AFX_IDS_SCRESTORE, "Stellt das Fenster in seiner normalen Größe wieder her."},
            {AFX_IDS_SCTASKLIST, "Aktiviert die Task-Liste."},
            {AFX_IDS_UNTITLED, "Unbenannt"},
            {AFX_IDS_PREVIEW_CLOSE, "Beendet die Seitenansicht.\nSeitenansicht beenden"},
            {AFX_IDP_FAILED_TO_OPEN_DOC, "Die Datei \"%1\" kann nicht geöffnet werden."},
            {AFX_IDP_FAILED_TO_SAVE_DOC, "Die Datei \"%1\" kann nicht gespeichert werden."},
            {AFX_IDP_ASK_TO_SAVE, "Änderungen in %1 speichern?"},
            {AFX_IDP_FAILED_TO_PRINT, "Das Dokument kann nicht gedruckt werden. %1"},
            {AFX_IDP_NO_PRINTER, "Es ist kein Drucker eingerichtet."},
            {AFX_IDP_PRINTER_NOT_READY, "Der Drucker \"%1\" ist nicht bereit."},
            {AFX_IDP_INTERNAL_FAILURE, "Ein unerwarteter Fehler ist aufgetreten."},
            {AFX_IDP_FAILED_MEMORY_ALLOC, "Nicht genügend Arbeitsspeicher."},
            {AFX_IDP_FAILED_MEMORY_READING, "Nicht genügend Arbeitsspeicher, um \"%1\" zu lesen."},
            {AFX_IDP_FAILED_INVALID_FORMAT,
             "Die Datei \"%1\" kann nicht gelesen werden: unerwartetes Dateiformat."},
        };
        for (UINT id = ID_FILE_MRU_FILE1; id < ID_FILE_MRU_FILE1 + 15; ++id) {
            t[id] = kOpenThisDocument;
        }
        return t;
    }();
    return table;
}

} // namespace

CStringTable::CStringTable(const std::map<UINT, const char*>& texts)
{
    for (const auto& [id, text] : texts) {
        ProgramTable()[id] = text;
    }
}

const char* CStringTable::Find(UINT id)
{
    const std::map<UINT, const char*>* const tables[] = {&ProgramTable(), &FrameworkTable()};
    for (const auto* table : tables) {
        const auto found = table->find(id);
        if (found != table->end()) {
            return found->second;
        }
    }
    return nullptr;
}
