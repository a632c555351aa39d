#include "FitWidthEdit.h"

#include "MessageBeep.h"

#include <QFontMetrics>
#include <QValidator>

namespace {

// Refuses text wider than the edit field.
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

} // namespace

CFitWidthEdit::CFitWidthEdit(QWidget* parent) : QLineEdit(parent)
{
    setValidator(new CFitWidthValidator(this));
    connect(this, &QLineEdit::inputRejected, this, [this] { OnInputRejected(); });
}

void CFitWidthEdit::keyPressEvent(QKeyEvent* event)
{
    m_bUserEdit = true;
    QLineEdit::keyPressEvent(event);
    m_bUserEdit = false;
}

void CFitWidthEdit::inputMethodEvent(QInputMethodEvent* event)
{
    m_bUserEdit = true;
    QLineEdit::inputMethodEvent(event);
    m_bUserEdit = false;
}

void CFitWidthEdit::OnInputRejected()
{
    if (m_bUserEdit) {
        MessageBeep(MB_OK);
    }
}
