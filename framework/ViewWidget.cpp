#include "ViewWidget.h"

#include "View.h"
#include "WinDefs.h"

#include <QResizeEvent>

CViewWidget::CViewWidget(CView* view, QWidget* parent) : QWidget(parent), m_pView(view)
{
}

void CViewWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_pView->OnSize(SIZE_RESTORED, event->size().width(), event->size().height());
}
