#include "TraceBusyScope.h"

#include "BlockingHook.h"
#include "BusyScope.h"
#include "FrameWnd.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QWindow>

CTraceBusyScope* CTraceBusyScope::s_pActiveScope = nullptr;

CTraceBusyScope::CTraceBusyScope(CFrameWnd* frame, std::vector<UINT> openCommands)
    : m_pOuterScope(s_pActiveScope)
    , m_pFrame(frame)
    , m_pWindow(frame != nullptr ? frame->GetWindow() : nullptr)
{
    s_pActiveScope = this;
    if (m_pFrame != nullptr)
        m_pFrame->RestrictCommands(std::move(openCommands));
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->installEventFilter(this);
    m_pfnPreviousHook = win::WSASetBlockingHook(&CBusyScope::PumpEvents);
}

CTraceBusyScope::~CTraceBusyScope()
{
    win::WSASetBlockingHook(m_pfnPreviousHook);
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(this);
    s_pActiveScope = m_pOuterScope;
    if (m_pFrame != nullptr)
        m_pFrame->LiftCommandRestriction();
    if (m_bStopped && s_pActiveScope == nullptr)
        win::ClearBlockingCallCancel();
    // Queued, so that the command that owns the scope ends before the window closes.
    if (m_bCloseRequested && m_pWindow != nullptr)
        QMetaObject::invokeMethod(m_pWindow.data(), &QWidget::close, Qt::QueuedConnection);
}

bool CTraceBusyScope::IsActive()
{
    return s_pActiveScope != nullptr;
}

void CTraceBusyScope::StopActive()
{
    if (s_pActiveScope != nullptr)
        s_pActiveScope->Stop();
}

void CTraceBusyScope::Stop()
{
    m_bStopped = true;
    win::WSACancelBlockingCall();
}

bool CTraceBusyScope::IsStopKey(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    // With a menu open, Esc closes the menu.
    return static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Escape &&
           QApplication::activePopupWidget() == nullptr;
}

bool CTraceBusyScope::PassesInput(QObject* watched)
{
    // A platform window hands its input on to one of its widgets, which the filter sees next.
    if (qobject_cast<QWindow*>(watched) != nullptr)
        return true;
    for (QObject* object = watched; object != nullptr; object = object->parent()) {
        if (qobject_cast<QMenuBar*>(object) != nullptr || qobject_cast<QMenu*>(object) != nullptr ||
            qobject_cast<QToolBar*>(object) != nullptr)
            return true;
        if (object->isWidgetType() && static_cast<QWidget*>(object)->isWindow())
            return false;
    }
    return false;
}

bool CTraceBusyScope::FilterClose(QObject* watched, QEvent* event)
{
    // The window's close request reaches its platform window first, then the widget. Other
    // windows (menus, tool tips) close as always.
    const bool window = m_pWindow != nullptr && (watched == m_pWindow || watched == m_pWindow->windowHandle());
    if (!window && event->type() != QEvent::Quit)
        return false;
    m_bCloseRequested = true;
    Stop();
    event->ignore();
    return true;
}

bool CTraceBusyScope::eventFilter(QObject* watched, QEvent* event)
{
    if (IsStopKey(event)) {
        Stop();
        return true;
    }
    // The toolbars' context menu would hide or show them.
    if (CBusyScope::IsInputEvent(event))
        return event->type() == QEvent::ContextMenu || !PassesInput(watched);
    // The pointer coming into the window over a button or leaving it would put the
    // button's prompt or the idle text in place of the hop being probed.
    if (event->type() == QEvent::StatusTip)
        return true;
    if (event->type() == QEvent::Close || event->type() == QEvent::Quit)
        return FilterClose(watched, event);
    return QObject::eventFilter(watched, event);
}
