#include "ComboBox.h"

#include "CodePage.h"
#include "WinDefs.h"
#include "WinStyles.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QValidator>

namespace {

// Refuses typed text wider than the edit field, as an edit without auto-scrolling does.
class CFitWidthValidator : public QValidator {
public:
    explicit CFitWidthValidator(QLineEdit* edit) : QValidator(edit), m_pEdit(edit) {}

    State validate(QString& input, int& /*pos*/) const override
    {
        const QMargins margins = m_pEdit->textMargins();
        constexpr int kFramePixels = 6; // the line edit's frame and inner margin on both sides
        const int room = m_pEdit->contentsRect().width() - margins.left() - margins.right() - kFramePixels;
        if (input.size() < m_pEdit->text().size()) {
            return Acceptable; // deleting is always allowed, also from a text set too wide
        }
        return QFontMetrics(m_pEdit->font()).horizontalAdvance(input) <= room ? Acceptable : Invalid;
    }

private:
    QLineEdit* m_pEdit;
};

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
    QLineEdit* edit = combo->lineEdit();
    if (edit == nullptr) {
        return;
    }
    // The Windows control neither completes typed text nor, when editing ends, swaps it for
    // an item that matches but for case; Qt's combo box does both.
    combo->setCompleter(nullptr);
    QObject::disconnect(edit, &QLineEdit::editingFinished, combo, nullptr);
    if ((GetStyle() & CBS_AUTOHSCROLL) == 0) {
        edit->setValidator(new CFitWidthValidator(edit));
    }
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
        const QString text = CCodePage::ToQString(text1252);
        index = 0;
        while (index < combo->count() && QString::compare(combo->itemText(index), text, Qt::CaseInsensitive) <= 0) {
            ++index;
        }
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
