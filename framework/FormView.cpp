#include "FormView.h"

#include "DataExchange.h"
#include "DialogBuilder.h"
#include "DialogTemplateRegistrar.h"
#include "ViewWidget.h"

#include <QWidget>

#include <algorithm>

CFormView::CFormView(UINT templateId) : m_nTemplateId(templateId)
{
}

QWidget* CFormView::CreateViewWidget(QWidget* parent)
{
    const CDialogTemplate* form = FindDialogTemplate(m_nTemplateId);
    if (form == nullptr) {
        return nullptr;
    }
    auto* widget = new CViewWidget(this, parent);
    CDialogBuilder::BuildChildren(*form, widget);
    return widget;
}

void CFormView::OnInitialUpdate()
{
    UpdateData(FALSE);
}

void CFormView::DoDataExchange(CDataExchange* /*pDX*/)
{
}

BOOL CFormView::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange exchange(this, bSaveAndValidate);
    DoDataExchange(&exchange);
    return TRUE;
}

QSize CFormView::GetFormSize() const
{
    const CDialogTemplate* form = FindDialogTemplate(m_nTemplateId);
    return form != nullptr ? CDialogBuilder::DialogSize(*form) : QSize();
}

void CFormView::ResizeParentToFit(BOOL bShrinkOnly)
{
    if (m_hWnd == nullptr || m_hWnd->window() == m_hWnd) {
        return;
    }
    QWidget* frame = m_hWnd->window();
    const QSize form = GetFormSize();
    const QSize view = m_hWnd->size();
    int dx = form.width() - view.width();
    int dy = form.height() - view.height();
    if (bShrinkOnly) {
        dx = std::min(dx, 0);
        dy = std::min(dy, 0);
    }
    if (dx != 0 || dy != 0) {
        frame->resize(frame->width() + dx, frame->height() + dy);
    }
}
