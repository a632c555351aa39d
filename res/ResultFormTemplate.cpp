// The result view's form: one list box filling the form but for a 7-unit margin.

#include "DialogTemplateRegistrar.h"
#include "Resource.h"
#include "WinStyles.h"

namespace {

const CDialogTemplateRegistrar s_resultForm({
    IDD_RESULT_FORM,
    "",
    351,
    199,
    WS_CHILD | DS_SETFONT,
    "MS Sans Serif",
    8,
    {
        {IDC_RESULT_LIST, EControlClass::ListBox, "", 7, 7, 337, 185,
         WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_USETABSTOPS |
             LBS_NOINTEGRALHEIGHT | LBS_NOSEL},
    },
});

} // namespace
