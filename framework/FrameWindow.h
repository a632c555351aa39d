#pragma once
// The Qt window of a CFrameWnd: passes close requests on to the frame object.

#include <QMainWindow>

class CFrameWnd;

class CFrameWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit CFrameWindow(CFrameWnd* owner);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CFrameWnd* m_pOwner;
};
