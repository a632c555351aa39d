#include "Dialog.h"

#include "CodePage.h"
#include "DataExchange.h"
#include "DialogBuilder.h"
#include "DialogTemplateRegistrar.h"
#include "DialogWindow.h"
#include "WinApp.h"
#include "WinDefs.h"
#include "WinStyles.h"

#include <QAbstractButton>

CDialog::CDialog(UINT templateId, QWidget* parent) : m_nTemplateId(templateId), m_pParentWidget(parent)
{
}

CDialog::~CDialog()
{
    QWidget* window = UnsubclassWindow();
    delete window;
}

BOOL CDialog::BuildWindow(QWidget* parent)
{
    const CDialogTemplate* dialogTemplate = FindDialogTemplate(m_nTemplateId);
    if (dialogTemplate == nullptr) {
        return FALSE;
    }
    // Like the framework, a dialog without a parent belongs to the main window.
    if (parent == nullptr) {
        parent = AfxGetApp()->GetMainWnd();
    }
    auto* window = new CDialogWindow(this, parent);
    window->setWindowTitle(QString::fromUtf8(dialogTemplate->m_caption.c_str()));
    SetStyle(window, dialogTemplate->m_style);
    CDialogBuilder::BuildChildren(*dialogTemplate, window);
    window->setFixedSize(CDialogBuilder::DialogSize(*dialogTemplate));
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        const int id = button->objectName().toInt();
        QObject::connect(button, &QAbstractButton::clicked, window, [this, id] { OnButtonClicked(id); });
    }
    SubclassWindow(window);
    return TRUE;
}

BOOL CDialog::Create(QWidget* parent)
{
    if (m_hWnd == nullptr && !BuildWindow(parent != nullptr ? parent : m_pParentWidget)) {
        return FALSE;
    }
    m_bEnded = FALSE;
    if (!OnInitDialog()) {
        return TRUE;
    }
    m_hWnd->show();
    return TRUE;
}

int CDialog::DoModal()
{
    if (m_hWnd == nullptr && !BuildWindow(m_pParentWidget)) {
        return -1;
    }
    m_bEnded = FALSE;
    m_nResult = IDCANCEL;
    OnInitDialog();
    if (m_bEnded) {
        return m_nResult;
    }
    GetDialogWindow()->exec();
    return m_nResult;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE)) {
        return;
    }
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::OnButtonClicked(int id)
{
    if (id == IDOK) {
        OnOK();
    } else if (id == IDCANCEL) {
        OnCancel();
    }
}

void CDialog::DoDataExchange(CDataExchange* /*pDX*/)
{
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange exchange(this, bSaveAndValidate);
    DoDataExchange(&exchange);
    return TRUE;
}

void CDialog::EndDialog(int result)
{
    m_nResult = result;
    m_bEnded = TRUE;
    if (CDialogWindow* window = qobject_cast<CDialogWindow*>(m_hWnd)) {
        window->Finish(result);
    }
}

QDialog* CDialog::GetDialogWindow() const
{
    return qobject_cast<QDialog*>(m_hWnd);
}
