#pragma once
// The dialog "URL Eingabe" (template 130) that asks for the host to trace. Its combo box
// keeps the hosts confirmed before in profile section "Settings"; a link opens the home
// page. After IDOK, m_strAddress holds the confirmed text; the text is not checked here.

#include "Dialog.h"
#include "HistoryComboBox.h"
#include "HyperlinkLabel.h"

#include <string>

constexpr int IDC_LINK_LABEL = 1005;
constexpr int IDC_HISTORY_COMBO = 1006;

class CAddressDialog : public CDialog {
public:
    explicit CAddressDialog(QWidget* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;

    CHistoryComboBox m_historyCombo;
    CHyperlinkLabel m_homePageLink;
    std::string m_strAddress; // 1252 bytes
};
