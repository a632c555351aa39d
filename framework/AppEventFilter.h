#pragma once
// Shows every input event to the application object before Qt dispatches it.

#include <QObject>

class CWinApp;

class CAppEventFilter : public QObject {
    Q_OBJECT
public:
    explicit CAppEventFilter(CWinApp* app);

    // True for keyboard, mouse, wheel and touch events.
    static bool IsInputEvent(const QEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CWinApp* m_pApp;
};
