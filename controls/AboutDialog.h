#pragma once
// The About box (template 100): product name and version, copyright, credits, and two
// links, the home page and the contact mail address. Nothing is read back from it.

#include "Dialog.h"
#include "HyperlinkLabel.h"

constexpr int IDC_HOME_PAGE_LINK = 1004;
constexpr int IDC_MAIL_LINK = 1005;

class CAboutDialog : public CDialog {
public:
    CAboutDialog();

    void DoDataExchange(CDataExchange* pDX) override;

    CHyperlinkLabel m_mailLink;
    CHyperlinkLabel m_homePageLink;
};
