#include "AddressDialog.h"

#include "DataExchange.h"
#include "Resource.h"

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
    return TRUE;
}

void CAddressDialog::OnOK()
{
    m_historyCombo.SaveHistory(TRUE);
    CDialog::OnOK();
}
