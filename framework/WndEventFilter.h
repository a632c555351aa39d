#pragma once
// Hands the events of a window object's widget to CWnd::OnEvent and tells the object
// when its widget is destroyed.

#include <QObject>

class CWnd;

class CWndEventFilter : public QObject {
    Q_OBJECT
public:
    CWndEventFilter(CWnd* owner, QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CWnd* m_pOwner;
    QWidget* m_pWidget;
};
