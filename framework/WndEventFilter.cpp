#include "WndEventFilter.h"

#include "Wnd.h"

#include <QWidget>

CWndEventFilter::CWndEventFilter(CWnd* owner, QWidget* widget) : m_pOwner(owner), m_pWidget(widget)
{
    widget->installEventFilter(this);
    connect(widget, &QObject::destroyed, this, [this] { m_pOwner->OnWidgetDestroyed(); });
}

bool CWndEventFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_pWidget) {
        return false;
    }
    return m_pOwner->OnEvent(event) != FALSE;
}
