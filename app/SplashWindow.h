#pragma once
// The start-up picture in a borderless window, centred on the screen's work area (or over a
// visible owner). It goes away 750 ms after its creation or at the first key or mouse-button
// press anywhere in the program, which it swallows. At most one exists; it deletes itself
// once its widget is gone. It does not decide when to appear: start-up calls it.

#include "Wnd.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QPixmap>
#include <QPointer>
#include <QString>

class QEvent;
class QObject;
class QWidget;

class CSplashWindow : public CWnd {
public:
    CSplashWindow();
    ~CSplashWindow() override;

    static void EnableSplash(BOOL enable = TRUE);
    static void ShowSplash(QWidget* owner);
    // TRUE when the event was a press that hid the splash and must not be dispatched.
    static BOOL FilterAppMessage(QObject* target, QEvent* event);

    BOOL Create(QWidget* owner);
    void HideSplash();

    static BOOL s_bSplashEnabled;
    static CSplashWindow* s_pSplashWindow;
    static QString s_strBitmapPath; // bitmap 102, the splash picture

    static constexpr int kTimerInterval = 750; // ms

protected:
    BOOL OnEvent(QEvent* event) override;
    int OnCreate();
    void OnPaint();
    void OnTimer();

private:
    void CenterWindow();
    void RepaintMainWindow();
    void OnWidgetGone();
    static bool IsHidingPress(QEvent* event);

    QPixmap m_bitmap;
    QPointer<QWidget> m_pOwner;
    QElapsedTimer m_shownFor; // since the window was created
    int m_nTimerId = 0;
    QMetaObject::Connection m_widgetGone; // deletes this object with its widget
};
