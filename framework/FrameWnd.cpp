#include "FrameWnd.h"

#include "CmdUI.h"
#include "CodePage.h"
#include "Document.h"
#include "FrameWindow.h"
#include "MessageBox.h"
#include "RecentFileList.h"
#include "SingleDocTemplate.h"
#include "View.h"
#include "WinApp.h"

#include "AfxRes.h"
#include "FrameTemplate.h"
#include "StringTable.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <iostream>
#include <new>

namespace {

QString StatusPrompt(UINT id)
{
    const char* text = CStringTable::Find(id);
    if (text == nullptr) {
        return {};
    }
    return QString::fromUtf8(text).section(QLatin1Char('\n'), 0, 0);
}

int QtKey(WORD virtualKey)
{
    if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9')) {
        return virtualKey; // Qt's key codes of letters and digits are their ASCII codes
    }
    switch (virtualKey) {
    case VK_BACK: return Qt::Key_Backspace;
    case VK_INSERT: return Qt::Key_Insert;
    case VK_DELETE: return Qt::Key_Delete;
    case VK_F6: return Qt::Key_F6;
    default: return 0;
    }
}

Qt::KeyboardModifiers QtModifiers(BYTE flags)
{
    Qt::KeyboardModifiers modifiers;
    if (flags & FCONTROL) {
        modifiers |= Qt::ControlModifier;
    }
    if (flags & FSHIFT) {
        modifiers |= Qt::ShiftModifier;
    }
    if (flags & FALT) {
        modifiers |= Qt::AltModifier;
    }
    return modifiers;
}

void CollectActions(QWidget* container, std::vector<QAction*>& actions)
{
    for (QAction* action : container->actions()) {
        if (action->menu() != nullptr) {
            CollectActions(action->menu(), actions);
        } else if (!action->isSeparator()) {
            actions.push_back(action);
        }
    }
}

} // namespace

CFrameWnd::CFrameWnd()
{
    OnCommand(ID_VIEW_TOOLBAR, [this] { OnBarCheck(ID_VIEW_TOOLBAR); });
    OnCommand(ID_VIEW_STATUS_BAR, [this] { OnBarCheck(ID_VIEW_STATUS_BAR); });
    OnUpdateCommand(ID_VIEW_TOOLBAR, [this](CCmdUI* ui) { OnUpdateControlBarMenu(ui); });
    OnUpdateCommand(ID_VIEW_STATUS_BAR, [this](CCmdUI* ui) { OnUpdateControlBarMenu(ui); });
}

CFrameWnd::~CFrameWnd()
{
    QWidget* window = UnsubclassWindow();
    delete window;
}

QMainWindow* CFrameWnd::GetWindow() const
{
    return qobject_cast<QMainWindow*>(m_hWnd);
}

BOOL CFrameWnd::LoadFrame(UINT resourceId, CSingleDocTemplate* docTemplate)
{
    m_nResourceId = resourceId;
    m_pDocTemplate = docTemplate;
    if (!PreCreateWindow()) {
        return FALSE;
    }
    auto* window = new CFrameWindow(this);
    // The platform's default size for a new main window; the view shrinks it to its form.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window->resize(screen->availableGeometry().size() * 3 / 4);
    }
    window->setWindowIcon(QIcon(QStringLiteral(":/images/icon%1.ico").arg(resourceId)));
    SubclassWindow(window);
    BuildMenuBar(resourceId);
    if (OnCreate() == -1) {
        delete UnsubclassWindow();
        m_pView = nullptr;
        return FALSE;
    }
    auto* timer = new QTimer(window);
    QObject::connect(timer, &QTimer::timeout, window, [this] { UpdateToolBarUI(); });
    timer->start(s_nUpdateIntervalMs);
    OnUpdateFrameTitle();
    return TRUE;
}

BOOL CFrameWnd::PreCreateWindow()
{
    return TRUE;
}

int CFrameWnd::OnCreate()
{
    if (m_pDocTemplate == nullptr) {
        return 0;
    }
    m_pView = m_pDocTemplate->CreateView(GetWindow());
    if (m_pView == nullptr) {
        return -1;
    }
    GetWindow()->setCentralWidget(m_pView->m_hWnd);
    return 0;
}

BOOL CFrameWnd::OnClose()
{
    CDocument* document = GetActiveDocument();
    return document == nullptr || document->SaveModified();
}

CDocument* CFrameWnd::GetActiveDocument() const
{
    return m_pView != nullptr ? m_pView->GetDocument() : nullptr;
}

BOOL CFrameWnd::OnCmdMsg(UINT id)
{
    if (m_pView != nullptr && m_pView->OnCmdMsg(id)) {
        return TRUE;
    }
    if (CCmdTarget::OnCmdMsg(id)) {
        return TRUE;
    }
    return AfxGetApp()->OnAppCmdMsg(id);
}

void CFrameWnd::ExecuteCommand(UINT id)
{
    // A click that came before its button was greyed.
    if (!IsCommandOpen(id)) {
        return;
    }
    try {
        OnCmdMsg(id);
    } catch (const std::bad_alloc&) {
        std::cerr << AfxGetApp()->m_pszAppName << ": command " << id << ": out of memory\n";
        AfxMessageBox(AFX_IDP_FAILED_MEMORY_ALLOC, MB_ICONEXCLAMATION);
    } catch (const std::exception& error) {
        std::cerr << AfxGetApp()->m_pszAppName << ": command " << id << ": " << error.what() << '\n';
        AfxMessageBox(AFX_IDP_INTERNAL_FAILURE, MB_ICONEXCLAMATION);
    }
}

void CFrameWnd::SetMessageText(const std::string& text)
{
    QMainWindow* window = GetWindow();
    if (window == nullptr) {
        return;
    }
    if (text.empty()) {
        window->statusBar()->clearMessage();
        return;
    }
    window->statusBar()->showMessage(CCodePage::ToQString(text));
}

BOOL CFrameWnd::OnUpdateCmdUI(CCmdUI* cmdUI)
{
    if (m_pView != nullptr && m_pView->OnUpdateCmdUI(cmdUI)) {
        return TRUE;
    }
    if (CCmdTarget::OnUpdateCmdUI(cmdUI)) {
        return TRUE;
    }
    return AfxGetApp()->OnAppUpdateCmdUI(cmdUI);
}

BOOL CFrameWnd::IsAcceleratorKey(QEvent* event, UINT& command) const
{
    const CFrameTemplate* resources = CFrameTemplateRegistrar::Find(m_nResourceId);
    if (resources == nullptr) {
        return FALSE;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers =
        key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    for (const CAccelerator& accelerator : resources->m_accelerators) {
        if (QtKey(accelerator.m_key) == key->key() && QtModifiers(accelerator.m_fVirt) == modifiers) {
            command = accelerator.m_cmd;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CFrameWnd::PreTranslateMessage(QObject* target, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || m_hWnd == nullptr) {
        return FALSE;
    }
    auto* widget = qobject_cast<QWidget*>(target);
    if (widget == nullptr || widget->window() != m_hWnd || QApplication::activePopupWidget() != nullptr ||
        QApplication::activeModalWidget() != nullptr) {
        return FALSE;
    }
    UINT command = 0;
    if (!IsAcceleratorKey(event, command)) {
        return FALSE;
    }
    ExecuteCommand(command);
    return TRUE;
}

void CFrameWnd::OnUpdateFrameTitle()
{
    if (m_hWnd == nullptr) {
        return;
    }
    const std::string appTitle = m_pDocTemplate != nullptr ? m_pDocTemplate->GetDocString(0) : AfxGetApp()->m_pszAppName;
    const CDocument* document = GetActiveDocument();
    const std::string title = document != nullptr ? document->GetTitle() + " - " + appTitle : appTitle;
    m_hWnd->setWindowTitle(QString::fromUtf8(title.c_str()));
}

void CFrameWnd::RecalcLayout(BOOL /*bNotify*/)
{
    if (m_hWnd != nullptr && m_hWnd->layout() != nullptr) {
        m_hWnd->layout()->activate();
    }
}

void CFrameWnd::EnableDocking(DWORD /*dockStyle*/)
{
    if (QMainWindow* window = GetWindow()) {
        window->setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    }
}

void CFrameWnd::BuildMenuBar(UINT resourceId)
{
    const CFrameTemplate* resources = CFrameTemplateRegistrar::Find(resourceId);
    if (resources == nullptr) {
        return;
    }
    QMenuBar* bar = GetWindow()->menuBar();
    for (const CMenuItem& item : resources->m_menu) {
        if (item.m_kind == CMenuItem::Popup) {
            bar->addMenu(BuildPopup(item));
        } else if (item.m_kind == CMenuItem::Command) {
            AddCommandAction(bar, item);
        }
    }
}

QMenu* CFrameWnd::BuildPopup(const CMenuItem& popup)
{
    auto* menu = new QMenu(QString::fromUtf8(popup.m_text), m_hWnd);
    for (const CMenuItem& item : popup.m_items) {
        if (item.m_kind == CMenuItem::Separator) {
            menu->addSeparator();
        } else if (item.m_kind == CMenuItem::Popup) {
            menu->addMenu(BuildPopup(item));
        } else {
            QAction* action = AddCommandAction(menu, item);
            if (item.m_id == ID_FILE_MRU_FILE1) {
                m_pRecentPlaceholder = action;
                m_pFileMenu = menu;
            }
        }
    }
    QObject::connect(menu, &QMenu::aboutToShow, menu, [this] { UpdateCommandUI(); });
    return menu;
}

QAction* CFrameWnd::AddCommandAction(QWidget* menu, const CMenuItem& item)
{
    auto* action = new QAction(QString::fromUtf8(item.m_text), menu);
    action->setData(item.m_id);
    action->setStatusTip(StatusPrompt(item.m_id));
    action->setEnabled(!item.m_bGrayed);
    const UINT id = item.m_id;
    QObject::connect(action, &QAction::triggered, action, [this, id] { ExecuteCommand(id); });
    menu->addAction(action);
    return action;
}

void CFrameWnd::UpdateAction(QAction* action)
{
    const UINT id = action->data().toUInt();
    if (id == 0) {
        return;
    }
    CCmdUI cmdUI(id);
    if (!OnUpdateCmdUI(&cmdUI) || !IsCommandOpen(id)) {
        cmdUI.Enable(FALSE);
    }
    action->setEnabled(cmdUI.m_bEnabled != FALSE);
    if (cmdUI.m_nCheck != 0 || action->isCheckable()) {
        action->setCheckable(true);
        action->setChecked(cmdUI.m_nCheck != 0);
    }
}

void CFrameWnd::UpdateCommandUI()
{
    if (m_hWnd == nullptr) {
        return;
    }
    UpdateRecentFileMenu();
    std::vector<QAction*> actions;
    CollectActions(GetWindow()->menuBar(), actions);
    UpdateWithToolBars(actions);
}

void CFrameWnd::UpdateToolBarUI()
{
    if (m_hWnd == nullptr) {
        return;
    }
    std::vector<QAction*> actions;
    for (QAction* action : GetWindow()->menuBar()->actions()) {
        if (action->menu() == nullptr && !action->isSeparator()) {
            actions.push_back(action);
        }
    }
    UpdateWithToolBars(actions);
}

void CFrameWnd::UpdateWithToolBars(std::vector<QAction*>& actions)
{
    for (QWidget* bar : m_hWnd->findChildren<QWidget*>(QString::number(AFX_IDW_TOOLBAR))) {
        CollectActions(bar, actions);
    }
    for (QAction* action : actions) {
        UpdateAction(action);
    }
}

void CFrameWnd::RestrictCommands(std::vector<UINT> openCommands)
{
    m_bCommandsRestricted = TRUE;
    m_openCommands = std::move(openCommands);
    UpdateCommandUI();
}

void CFrameWnd::LiftCommandRestriction()
{
    m_bCommandsRestricted = FALSE;
    m_openCommands.clear();
    UpdateCommandUI();
}

BOOL CFrameWnd::IsCommandOpen(UINT id) const
{
    return !m_bCommandsRestricted || std::find(m_openCommands.begin(), m_openCommands.end(), id) != m_openCommands.end();
}

void CFrameWnd::UpdateRecentFileMenu()
{
    if (m_pFileMenu == nullptr || m_pRecentPlaceholder == nullptr) {
        return;
    }
    for (QAction* action : m_recentActions) {
        m_pFileMenu->removeAction(action);
        delete action;
    }
    m_recentActions.clear();
    const CRecentFileList* list = AfxGetApp()->GetRecentFileList();
    const int count = list != nullptr ? list->GetCount() : 0;
    m_pRecentPlaceholder->setVisible(count == 0);
    const QList<QAction*> all = m_pFileMenu->actions();
    const qsizetype position = all.indexOf(m_pRecentPlaceholder);
    QAction* before = position + 1 < all.size() ? all[position + 1] : nullptr;
    for (int i = 0; i < count; ++i) {
        auto* action = new QAction(QString::fromUtf8(list->GetMenuText(i).c_str()), m_pFileMenu);
        const UINT id = ID_FILE_MRU_FILE1 + static_cast<UINT>(i);
        action->setData(id);
        action->setStatusTip(StatusPrompt(id));
        QObject::connect(action, &QAction::triggered, action, [this, id] { ExecuteCommand(id); });
        m_pFileMenu->insertAction(before, action);
        m_recentActions.push_back(action);
    }
}

QAction* CFrameWnd::FindMenuAction(UINT id) const
{
    std::vector<QAction*> actions;
    CollectActions(GetWindow()->menuBar(), actions);
    for (QAction* action : actions) {
        if (action->data().toUInt() == id && action->isVisible()) {
            return action;
        }
    }
    return nullptr;
}

QWidget* CFrameWnd::GetControlBar(UINT id) const
{
    return m_hWnd != nullptr ? m_hWnd->findChild<QWidget*>(QString::number(id)) : nullptr;
}

void CFrameWnd::OnBarCheck(UINT id)
{
    if (QWidget* bar = GetControlBar(id)) {
        bar->setVisible(bar->isHidden());
    }
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* cmdUI)
{
    QWidget* bar = GetControlBar(cmdUI->m_nID);
    cmdUI->Enable(bar != nullptr);
    cmdUI->SetCheck(bar != nullptr && !bar->isHidden() ? 1 : 0);
}
