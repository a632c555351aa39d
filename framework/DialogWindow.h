#pragma once
// The Qt window of a CDialog: passes its buttons, Enter, Escape and the close box on to
// the dialog object, and ends only when the object calls EndDialog.

#include <QDialog>

class CDialog;

class CDialogWindow : public QDialog {
    Q_OBJECT
public:
    CDialogWindow(CDialog* owner, QWidget* parent);

    // Ends the window with result; used by CDialog::EndDialog.
    void Finish(int result);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public slots:
    void accept() override;
    void reject() override;

private:
    CDialog* m_pOwner;
    bool m_bFinishing = false;
};
