// The About box "Info über Quorail": icon, name and version, copyright, OK, the two links
// and three credit lines.

#include "DialogTemplateRegistrar.h"
#include "Resource.h"
#include "WinDefs.h"
#include "WinStyles.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kText = kChild | SS_LEFT | WS_GROUP;

const CDialogTemplateRegistrar s_aboutDialog({
    IDD_ABOUTBOX,
    "Info über Quorail",
    208,
    107,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    "MS Sans Serif",
    8,
    {
        {-1, EControlClass::Icon, "128", 185, 7, 16, 16, kChild | SS_ICON},
        {-1, EControlClass::Static, "Quorail Version 1.0", 7, 7, 119, 8, kText},
        {-1, EControlClass::Static, "Copyright (C) 2026 Velmora", 7, 21, 119, 8, kText},
        {IDOK, EControlClass::Button, "OK", 151, 32, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP},
        {1004, EControlClass::Static, "https://www.velmora.example/quorail/", 7, 35, 118, 8, kText},
        {-1, EControlClass::Static, "Idee und Programmierung: Velmora", 7, 64, 185, 8, kText},
        {-1, EControlClass::Static, "Symbole und Bilder: Velmora", 7, 75, 185, 8, kText},
        {-1, EControlClass::Static, "Dank an alle, die Fehler gemeldet haben.", 7, 87, 185, 8, kText},
        {1005, EControlClass::Static, "mailto:quorail@velmora.example", 7, 49, 118, 8, kText},
    },
});

} // namespace
