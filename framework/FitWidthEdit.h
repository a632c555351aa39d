#pragma once
// The edit field of a combo box without auto-scrolling: it takes only as much text as fits
// its width, and a key whose character is refused for that beeps, as on Windows. Text set
// by the program is neither refused nor answered with a beep.

#include <QLineEdit>

class CFitWidthEdit : public QLineEdit {
public:
    explicit CFitWidthEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void OnInputRejected();

    bool m_bUserEdit = false; // a key or input-method event is being handled
};
