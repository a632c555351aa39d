#include "DialogWindow.h"

#include "Dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

CDialogWindow::CDialogWindow(CDialog* owner, QWidget* parent) : QDialog(parent), m_pOwner(owner)
{
}

void CDialogWindow::Finish(int result)
{
    m_bFinishing = true;
    done(result);
    m_bFinishing = false;
}

void CDialogWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() & ~Qt::KeypadModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // A push button with the focus takes Enter itself; the default button only
        // when the focus is on another control.
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused != nullptr && focused->isEnabled()) {
            focused->click();
            return;
        }
        for (QPushButton* button : findChildren<QPushButton*>()) {
            if (button->isDefault() && button->isVisible() && button->isEnabled()) {
                button->click();
                return;
            }
        }
        m_pOwner->OnOK();
        return;
    }
    case Qt::Key_Escape:
        m_pOwner->OnCancel();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CDialogWindow::closeEvent(QCloseEvent* event)
{
    if (m_bFinishing) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    m_pOwner->OnCancel();
}

void CDialogWindow::accept()
{
    if (m_bFinishing) {
        QDialog::accept();
        return;
    }
    m_pOwner->OnOK();
}

void CDialogWindow::reject()
{
    if (m_bFinishing) {
        QDialog::reject();
        return;
    }
    m_pOwner->OnCancel();
}
