#include "BusyScope.h"

#include "AppEventFilter.h"
#include "BlockingHook.h"

#include <QCoreApplication>
#include <QEvent>

CBusyScope* CBusyScope::s_pActiveScope = nullptr;

CBusyScope::CBusyScope()
    : m_pOuterScope(s_pActiveScope)
{
    s_pActiveScope = this;
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->installEventFilter(this);
    m_pfnPreviousHook = win::WSASetBlockingHook(&CBusyScope::PumpEvents);
}

CBusyScope::~CBusyScope()
{
    win::WSASetBlockingHook(m_pfnPreviousHook);
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeEventFilter(this);
    s_pActiveScope = m_pOuterScope;
}

bool CBusyScope::IsActive()
{
    return s_pActiveScope != nullptr;
}

void CBusyScope::PumpEvents()
{
    // All events are processed, so that input reaches the filter and is dropped there
    // instead of piling up to take effect after the call.
    QCoreApplication::processEvents(QEventLoop::AllEvents, win::kBlockingHookIntervalMs);
}

bool CBusyScope::IsInputEvent(const QEvent* event)
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

bool CBusyScope::eventFilter(QObject* watched, QEvent* event)
{
    if (IsInputEvent(event))
        return true;
    if (event->type() == QEvent::Close || event->type() == QEvent::Quit) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
