#pragma once
// The frame window of the single-document interface: a QMainWindow with the menu bar and
// accelerators of its resource, the view as central widget and the control bars that its
// subclass creates. It routes commands (view, document, frame, application), keeps the
// menu and toolbar states up to date, shows or hides bars by id, and sets the caption
// "<document title> - <application title>".

#include "Wnd.h"

#include <string>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;
class CDocument;
class CSingleDocTemplate;
class CView;
struct CMenuItem;

class CFrameWnd : public CWnd {
public:
    CFrameWnd();
    ~CFrameWnd() override;

    // Creates the window, its menu and the view, then runs OnCreate; FALSE when that failed.
    BOOL LoadFrame(UINT resourceId, CSingleDocTemplate* docTemplate);
    virtual BOOL PreCreateWindow();
    // 0 to go on, -1 to abort; the base creates the view.
    virtual int OnCreate();
    // FALSE keeps the frame open (the user cancelled the save question).
    virtual BOOL OnClose();

    BOOL OnCmdMsg(UINT id) override;
    BOOL OnUpdateCmdUI(CCmdUI* cmdUI) override;
    // Runs a command chosen by the user (menu, toolbar, accelerator), unless the commands
    // are restricted and it is not among the open ones. An exception that a handler lets
    // through ends the command with the framework's box instead of the program.
    void ExecuteCommand(UINT id);
    // Shows text (Windows-1252) in the message pane; an empty text brings back the idle text.
    void SetMessageText(const std::string& text);
    // Handles the accelerators of the frame's resource; TRUE when the key was one.
    virtual BOOL PreTranslateMessage(QObject* target, QEvent* event);

    void OnUpdateFrameTitle();
    void RecalcLayout(BOOL bNotify = TRUE);
    void EnableDocking(DWORD dockStyle);
    // Updates every menu item and toolbar button from the command targets; restricted
    // commands are greyed.
    void UpdateCommandUI();
    void UpdateRecentFileMenu();
    // While a command keeps the user-interface thread busy: only the open commands stay
    // enabled and run, every other one is greyed, until LiftCommandRestriction.
    void RestrictCommands(std::vector<UINT> openCommands);
    void LiftCommandRestriction();
    BOOL IsCommandOpen(UINT id) const;
    // Updates the toolbar buttons and the commands directly on the menu bar.
    void UpdateToolBarUI();

    QMainWindow* GetWindow() const;
    CView* GetActiveView() const { return m_pView; }
    CDocument* GetActiveDocument() const;
    QMenu* GetFileMenu() const { return m_pFileMenu; }
    // The menu bar's and its pop-ups' actions for a command id (the first found).
    QAction* FindMenuAction(UINT id) const;
    // The bar (toolbar or status bar) whose window id is id.
    QWidget* GetControlBar(UINT id) const;

    // How often the toolbar's button states are refreshed, in ms.
    static constexpr int s_nUpdateIntervalMs = 200;

protected:
    void OnBarCheck(UINT id);
    void OnUpdateControlBarMenu(CCmdUI* cmdUI);

private:
    void BuildMenuBar(UINT resourceId);
    QMenu* BuildPopup(const CMenuItem& popup);
    QAction* AddCommandAction(QWidget* menu, const CMenuItem& item);
    void UpdateAction(QAction* action);
    // Updates the given actions and those of the toolbars.
    void UpdateWithToolBars(std::vector<QAction*>& actions);
    BOOL IsAcceleratorKey(QEvent* event, UINT& command) const;

    CSingleDocTemplate* m_pDocTemplate = nullptr;
    CView* m_pView = nullptr;
    QMenu* m_pFileMenu = nullptr;
    QAction* m_pRecentPlaceholder = nullptr;
    std::vector<QAction*> m_recentActions;
    UINT m_nResourceId = 0;
    BOOL m_bCommandsRestricted = FALSE;
    std::vector<UINT> m_openCommands; // while restricted
};
