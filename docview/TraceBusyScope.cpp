#include "TraceBusyScope.h"

#include "AppEventFilter.h"
#include "BlockingHook.h"

#include <QCoreApplication>
#include <QEvent>

CTraceBusyScope* CTraceBusyScope::s_pActiveScope = nullptr;

CTraceBusyScope::CTraceBusyScope()
    : m_pOuterScope(s_pActiveScope)
{
    s_pActiveScope = this;
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->installEventFilter(this);
    m_pfnPreviousHook = win::WSASetBlockingHook(&CTraceBusyScope::PumpEvents);
}

CTraceBusyScope::~CTraceBusyScope()
{
    win::WSASetBlockingHook(m_pfnPreviousHook);
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(this);
    s_pActiveScope = m_pOuterScope;
}

bool CTraceBusyScope::IsActive()
{
    return s_pActiveScope != nullptr;
}

void CTraceBusyScope::PumpEvents()
{
    // All events are processed, so that input reaches the filter and is dropped there
    // instead of piling up to take effect after the trace.
    QCoreApplication::processEvents(QEventLoop::AllEvents, win::kBlockingHookIntervalMs);
}

bool CTraceBusyScope::IsInputEvent(const QEvent* event)
{
    if (CAppEventFilter::IsInputEvent(event))
        return true;
    switch (event->type()) {
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
    case QEvent::Drop:
    case QEvent::DragEnter:
    case QEvent::DragMove:
        return true;
    default:
        return false;
    }
}

bool CTraceBusyScope::eventFilter(QObject* watched, QEvent* event)
{
    if (IsInputEvent(event))
        return true;
    // The pointer coming into the window over a button or leaving it would put the
    // button's prompt or the idle text in place of the hop being probed.
    if (event->type() == QEvent::StatusTip)
        return true;
    if (event->type() == QEvent::Close || event->type() == QEvent::Quit) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
