#include "AboutDialog.h"

#include "DataExchange.h"
#include "Resource.h"

CAboutDialog::CAboutDialog() : CDialog(IDD_ABOUTBOX, nullptr)
{
}

void CAboutDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MAIL_LINK, m_mailLink);
    DDX_Control(pDX, IDC_HOME_PAGE_LINK, m_homePageLink);
}
