#include "FrameWindow.h"

#include "FrameWnd.h"

#include <QCloseEvent>

CFrameWindow::CFrameWindow(CFrameWnd* owner) : m_pOwner(owner)
{
}

void CFrameWindow::closeEvent(QCloseEvent* event)
{
    if (m_pOwner->OnClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}
