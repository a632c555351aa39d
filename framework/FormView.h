#pragma once
// A view whose content is a dialog template's controls, exchanged with DoDataExchange.

#include "View.h"

#include <QSize>

class CDataExchange;

class CFormView : public CView {
public:
    explicit CFormView(UINT templateId);

    void OnInitialUpdate() override;
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // The form's size in pixels.
    QSize GetFormSize() const;
    // Shrinks the frame (never grows it) so that the view gets the form's size.
    void ResizeParentToFit(BOOL bShrinkOnly = TRUE);

protected:
    QWidget* CreateViewWidget(QWidget* parent) override;

private:
    UINT m_nTemplateId;
};
