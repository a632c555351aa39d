// The address entry dialog "URL Eingabe": OK, Cancel, prompt, icon, home-page link,
// host combo box and a hint, in tab order.

#include "DialogTemplateRegistrar.h"
#include "Resource.h"
#include "WinDefs.h"
#include "WinStyles.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

const CDialogTemplateRegistrar s_addressDialog({
    IDD_ADDRESS,
    "URL Eingabe",
    216,
    96,
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    "MS Sans Serif",
    8,
    {
        {IDOK, EControlClass::Button, "OK Verbinden", 159, 75, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
        {IDCANCEL, EControlClass::Button, "Abbrechen", 7, 75, 50, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP},
        {-1, EControlClass::Static, "Eingabe der URL ( z.b. www.velmora.example oder IP)", 7, 15, 202, 8,
         kChild | SS_LEFT | WS_GROUP},
        {-1, EControlClass::Icon, "128", 85, 72, 20, 20, kChild | SS_ICON},
        {1005, EControlClass::Static, "https://www.velmora.example/quorail/", 7, 64, 83, 8,
         kChild | SS_LEFT | WS_GROUP},
        {1006, EControlClass::ComboBox, "", 7, 30, 202, 30, kChild | CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP},
        {-1, EControlClass::Static, "Vor dem Verbinden erst eine Internetverbindung herstellen.", 7, 47, 202, 8,
         kChild | SS_LEFT | WS_GROUP},
    },
});

} // namespace
