#include "ComboBox.h"

#include "CodePage.h"
#include "FitWidthEdit.h"
#include "WinDefs.h"
#include "WinStyles.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

bool SameText(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

} // namespace

QComboBox* CComboBox::Combo() const
{
    return qobject_cast<QComboBox*>(m_hWnd);
}

void CComboBox::PreSubclassWindow()
{
    QComboBox* combo = Combo();
    if (combo == nullptr) {
        return;
    }
    combo->resize(combo->width(), combo->sizeHint().height());
    if (combo->lineEdit() == nullptr) {
        return;
    }
    if ((GetStyle() & CBS_AUTOHSCROLL) == 0) {
        const QString text = combo->currentText();
        combo->setLineEdit(new CFitWidthEdit(combo));
        combo->setEditText(text);
    }
    QLineEdit* edit = combo->lineEdit();
    // The Windows control neither completes typed text nor, when editing ends, swaps it for
    // an item that matches but for case; Qt's combo box does both.
    combo->setCompleter(nullptr);
    QObject::disconnect(edit, &QLineEdit::editingFinished, combo, nullptr);
}

int CComboBox::InsertAt(int index, const std::string& text1252)
{
    QComboBox* combo = Combo();
    const int selected = combo->currentIndex();
    const QString editText = combo->currentText();
    combo->insertItem(index, CCodePage::ToQString(text1252));
    // Qt selects the first item put into an empty box; the Windows control does not.
    if (selected < 0) {
        combo->setCurrentIndex(-1);
        combo->setEditText(editText);
    }
    return index;
}

int CComboBox::AddString(const std::string& text1252)
{
    QComboBox* combo = Combo();
    if (combo == nullptr) {
        return CB_ERR;
    }
    int index = combo->count();
    if ((GetStyle() & CBS_SORT) != 0) {
        // A binary search, as the Windows control does: after the last item that sorts
        // before the text or equal to it.
        const QString text = CCodePage::ToQString(text1252);
        int low = 0;
        int high = combo->count();
        while (low < high) {
            const int middle = low + (high - low) / 2;
            if (QString::compare(combo->itemText(middle), text, Qt::CaseInsensitive) <= 0) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        index = low;
    }
    return InsertAt(index, text1252);
}

int CComboBox::InsertString(int index, const std::string& text1252)
{
    QComboBox* combo = Combo();
    if (combo == nullptr || index > combo->count()) {
        return CB_ERR;
    }
    return InsertAt(index < 0 ? combo->count() : index, text1252);
}

int CComboBox::DeleteString(int index)
{
    QComboBox* combo = Combo();
    if (combo == nullptr || index < 0 || index >= combo->count()) {
        return CB_ERR;
    }
    const bool wasSelected = index == combo->currentIndex();
    const QString editText = combo->currentText();
    combo->removeItem(index);
    // Qt moves the selection to a neighbour and shows its text; the Windows control clears
    // the selection and keeps the edit field.
    if (wasSelected) {
        combo->setCurrentIndex(-1);
        combo->setEditText(editText);
    }
    return combo->count();
}

void CComboBox::ResetContent()
{
    QComboBox* combo = Combo();
    if (combo == nullptr) {
        return;
    }
    const QString editText = combo->currentText();
    combo->clear();
    combo->setEditText(editText);
}

int CComboBox::FindStringExact(int startAfter, const std::string& text1252) const
{
    QComboBox* combo = Combo();
    if (combo == nullptr) {
        return CB_ERR;
    }
    const int count = combo->count();
    const QString text = CCodePage::ToQString(text1252);
    const int first = (startAfter < 0 || startAfter >= count) ? 0 : startAfter + 1;
    for (int step = 0; step < count; ++step) {
        const int index = (first + step) % count;
        if (SameText(combo->itemText(index), text)) {
            return index;
        }
    }
    return CB_ERR;
}

int CComboBox::GetCount() const
{
    QComboBox* combo = Combo();
    return combo != nullptr ? combo->count() : CB_ERR;
}

int CComboBox::SetCurSel(int index)
{
    QComboBox* combo = Combo();
    if (combo == nullptr) {
        return CB_ERR;
    }
    if (index < 0 || index >= combo->count()) {
        combo->setCurrentIndex(-1);
        combo->setEditText(QString());
        return CB_ERR;
    }
    combo->setCurrentIndex(index);
    combo->setEditText(combo->itemText(index));
    return index;
}

int CComboBox::GetCurSel() const
{
    QComboBox* combo = Combo();
    return combo != nullptr ? combo->currentIndex() : CB_ERR;
}

int CComboBox::GetLBText(int index, std::string& text1252) const
{
    QComboBox* combo = Combo();
    if (combo == nullptr || index < 0 || index >= combo->count()) {
        return CB_ERR;
    }
    text1252 = CCodePage::FromQString(combo->itemText(index));
    return static_cast<int>(text1252.size());
}

std::string CComboBox::GetLBText(int index) const
{
    std::string text;
    GetLBText(index, text);
    return text;
}
