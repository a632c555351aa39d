#include "TraceBusyScope.h"

#include <QEvent>

bool CTraceBusyScope::eventFilter(QObject* watched, QEvent* event)
{
    // The pointer coming into the window over a button or leaving it would put the
    // button's prompt or the idle text in place of the hop being probed.
    if (event->type() == QEvent::StatusTip)
        return true;
    return CBusyScope::eventFilter(watched, event);
}
