#include "DataExchange.h"

#include "CodePage.h"
#include "Wnd.h"

#include <QComboBox>
#include <QLineEdit>

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    if (control.m_hWnd != nullptr) {
        return;
    }
    control.SubclassWindow(pDX->m_pDlgWnd->GetDlgItem(id));
}

void DDX_CBString(CDataExchange* pDX, int id, std::string& value)
{
    auto* combo = qobject_cast<QComboBox*>(pDX->m_pDlgWnd->GetDlgItem(id));
    if (combo == nullptr) {
        return;
    }
    if (pDX->m_bSaveAndValidate) {
        value = CCodePage::FromQString(combo->currentText());
        return;
    }
    if (combo->isEditable()) {
        combo->setEditText(CCodePage::ToQString(value));
        return;
    }
    const int index = combo->findText(CCodePage::ToQString(value), Qt::MatchStartsWith);
    if (index >= 0) {
        combo->setCurrentIndex(index);
    }
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value)
{
    auto* edit = qobject_cast<QLineEdit*>(pDX->m_pDlgWnd->GetDlgItem(id));
    if (edit == nullptr) {
        return;
    }
    if (pDX->m_bSaveAndValidate) {
        value = CCodePage::FromQString(edit->text());
    } else {
        edit->setText(CCodePage::ToQString(value));
    }
}
