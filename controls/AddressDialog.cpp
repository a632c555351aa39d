#include "AddressDialog.h"

#include "DataExchange.h"
#include "Resource.h"

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

CAddressDialog::CAddressDialog(QWidget* parent) : CDialog(IDD_ADDRESS, parent)
{
}

void CAddressDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_HISTORY_COMBO, m_historyCombo);
    DDX_Control(pDX, IDC_LINK_LABEL, m_homePageLink);
    DDX_CBString(pDX, IDC_HISTORY_COMBO, m_strAddress);
}

BOOL CAddressDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_historyCombo.LoadHistory("Settings", "HistoryCombo", TRUE, nullptr);
    // What the user types first is the host: the field, not the first tab stop (OK), has
    // the focus when the dialog shows, its text selected so that typing replaces it.
    m_historyCombo.m_hWnd->setFocus();
    if (auto* combo = qobject_cast<QComboBox*>(m_historyCombo.m_hWnd); combo != nullptr && combo->lineEdit() != nullptr) {
        combo->lineEdit()->selectAll();
    }
    return TRUE;
}

void CAddressDialog::OnOK()
{
    m_historyCombo.SaveHistory(TRUE);
    CDialog::OnOK();
}
