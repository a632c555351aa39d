#include "MenuResource.h"

#include "Resource.h"

namespace {

CMenuItem Command(UINT id, const char* text)
{
    return {CMenuItem::Command, id, text, FALSE, {}};
}

CMenuItem Separator()
{
    return {CMenuItem::Separator, 0, "", FALSE, {}};
}

CMenuItem Popup(const char* text, std::vector<CMenuItem> items)
{
    return {CMenuItem::Popup, 0, text, FALSE, std::move(items)};
}

const CFrameTemplateRegistrar s_mainFrame({IDR_MAINFRAME, CMenuResource::MainMenu(), CMenuResource::Accelerators(),
                                           CMenuResource::ToolBar(), CMenuResource::s_nButtonWidth,
                                           CMenuResource::s_nButtonHeight});

} // namespace

const std::vector<CMenuItem>& CMenuResource::MainMenu()
{
    static const std::vector<CMenuItem> menu = {
        Popup("&Datei",
              {
                  Command(ID_FILE_NEW, "&Neu\tStrg+N"),
                  Command(ID_FILE_OPEN, "&Öffnen ..."),
                  Command(ID_FILE_SAVE, "S&peichern\tStrg+S"),
                  Command(ID_FILE_SAVE_AS, "Speichern &unter..."),
                  Separator(),
                  Command(ID_FILE_PRINT, "&Drucken...\tStrg+P"),
                  Command(ID_FILE_PRINT_PREVIEW, "Sei&tenansicht"),
                  Command(ID_FILE_PRINT_SETUP, "Drucker&einrichtung..."),
                  Separator(),
                  {CMenuItem::Command, ID_FILE_MRU_FILE1, "Letzte Datei", TRUE, {}},
                  Separator(),
                  Command(ID_APP_EXIT, "&Beenden"),
              }),
        Command(ID_CONNECT, "&Verbinden"),
        Command(ID_WATCH, "&Beobachten"),
        Popup("&Ansicht",
              {
                  Command(ID_VIEW_TOOLBAR, "&Symbolleiste"),
                  Command(ID_VIEW_STATUS_BAR, "S&tatusleiste"),
              }),
        Popup("&?",
              {
                  Command(ID_HELP_MANUAL, "&Hilfe ..."),
                  Command(ID_APP_ABOUT, "Inf&o über Quorail..."),
              }),
    };
    return menu;
}

const std::vector<UINT>& CMenuResource::ToolBar()
{
    static const std::vector<UINT> buttons = {
        ID_APP_EXIT, ID_SEPARATOR, ID_FILE_OPEN, ID_FILE_NEW, ID_FILE_SAVE, ID_SEPARATOR, ID_CONNECT,
        ID_WATCH, ID_SEPARATOR, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT, ID_SEPARATOR, ID_APP_ABOUT, ID_HELP_MANUAL,
    };
    return buttons;
}

const std::vector<CAccelerator>& CMenuResource::Accelerators()
{
    static const std::vector<CAccelerator> table = {
        {FVIRTKEY | FCONTROL, 'N', ID_FILE_NEW},
        {FVIRTKEY | FCONTROL, 'O', ID_FILE_OPEN},
        {FVIRTKEY | FCONTROL, 'S', ID_FILE_SAVE},
        {FVIRTKEY | FCONTROL, 'P', ID_FILE_PRINT},
        {FVIRTKEY | FCONTROL, 'Z', ID_EDIT_UNDO},
        {FVIRTKEY | FALT, VK_BACK, ID_EDIT_UNDO},
        {FVIRTKEY | FCONTROL, 'X', ID_EDIT_CUT},
        {FVIRTKEY | FSHIFT, VK_DELETE, ID_EDIT_CUT},
        {FVIRTKEY | FCONTROL, 'C', ID_EDIT_COPY},
        {FVIRTKEY | FCONTROL, VK_INSERT, ID_EDIT_COPY},
        {FVIRTKEY | FCONTROL, 'V', ID_EDIT_PASTE},
        {FVIRTKEY | FSHIFT, VK_INSERT, ID_EDIT_PASTE},
        {FVIRTKEY, VK_F6, ID_NEXT_PANE},
        {FVIRTKEY | FSHIFT, VK_F6, ID_PREV_PANE},
    };
    return table;
}

const std::vector<UINT>& CMenuResource::Indicators()
{
    static const std::vector<UINT> panes = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM,
                                            ID_INDICATOR_SCRL};
    return panes;
}
