#include "AppEventFilter.h"

#include "WinApp.h"

#include <QEvent>

CAppEventFilter::CAppEventFilter(CWinApp* app) : m_pApp(app)
{
}

bool CAppEventFilter::IsInputEvent(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

bool CAppEventFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (!IsInputEvent(event)) {
        return false;
    }
    return m_pApp->FilterEvent(watched, event) != FALSE;
}
