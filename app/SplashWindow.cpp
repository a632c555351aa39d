#include "SplashWindow.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>
#include <QWidget>

BOOL CSplashWindow::s_bSplashEnabled = FALSE;
CSplashWindow* CSplashWindow::s_pSplashWindow = nullptr;
QString CSplashWindow::s_strBitmapPath = QStringLiteral(":/images/splash.bmp");

CSplashWindow::CSplashWindow() = default;

CSplashWindow::~CSplashWindow()
{
    QObject::disconnect(m_widgetGone);
    if (s_pSplashWindow == this)
        s_pSplashWindow = nullptr;
    delete UnsubclassWindow();
}

void CSplashWindow::EnableSplash(BOOL enable)
{
    s_bSplashEnabled = enable;
}

void CSplashWindow::ShowSplash(QWidget* owner)
{
    if (!s_bSplashEnabled || s_pSplashWindow != nullptr)
        return;
    s_pSplashWindow = new CSplashWindow;
    if (!s_pSplashWindow->Create(owner)) {
        delete s_pSplashWindow;
        return;
    }
    s_pSplashWindow->m_hWnd->repaint();
}

// The eight presses that close the splash: key down (system keys such as Alt included) and the
// left, right and middle button pressed in a window's client area or on its frame.
bool CSplashWindow::IsHidingPress(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress: {
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        return button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton;
    }
    default:
        return false;
    }
}

BOOL CSplashWindow::FilterAppMessage(QObject* /*target*/, QEvent* event)
{
    if (s_pSplashWindow == nullptr || event == nullptr)
        return FALSE;
    // Qt offers a key to the shortcut map before it becomes a key press; claiming it here
    // keeps an accelerator from running, so the press that follows hides the splash instead.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return TRUE;
    }
    if (!IsHidingPress(event))
        return FALSE;
    s_pSplashWindow->HideSplash();
    return TRUE;
}

BOOL CSplashWindow::Create(QWidget* owner)
{
    if (!m_bitmap.load(s_strBitmapPath))
        return FALSE;
    m_pOwner = owner;
    // Keys are caught application-wide, so the picture never needs the focus.
    auto* widget = new QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint
                                          | Qt::WindowDoesNotAcceptFocus);
    widget->setAttribute(Qt::WA_OpaquePaintEvent);
    widget->setAttribute(Qt::WA_ShowWithoutActivating);
    widget->setFixedSize(m_bitmap.size() / m_bitmap.devicePixelRatio());
    widget->setCursor(Qt::ArrowCursor);
    if (!SubclassWindow(widget)) {
        delete widget;
        return FALSE;
    }
    // The object lives exactly as long as its window.
    m_widgetGone = QObject::connect(widget, &QObject::destroyed, [this] { OnWidgetGone(); });
    if (OnCreate() == -1)
        return FALSE;
    widget->show();
    return TRUE;
}

int CSplashWindow::OnCreate()
{
    CenterWindow();
    m_shownFor.start();
    m_nTimerId = m_hWnd->startTimer(kTimerInterval, Qt::PreciseTimer);
    return m_nTimerId != 0 ? 0 : -1;
}

// Over the owner while it is on screen, otherwise in the middle of the work area.
void CSplashWindow::CenterWindow()
{
    QRect area;
    if (m_pOwner != nullptr && m_pOwner->isVisible() && !m_pOwner->isMinimized()) {
        area = m_pOwner->frameGeometry();
    } else {
        QScreen* screen = m_pOwner != nullptr ? m_pOwner->screen()
                                              : QGuiApplication::primaryScreen();
        if (screen == nullptr)
            return;
        area = screen->availableGeometry();
    }
    QRect frame(QPoint(0, 0), m_hWnd->size());
    frame.moveCenter(area.center());
    m_hWnd->move(frame.topLeft());
}

BOOL CSplashWindow::OnEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Paint:
        OnPaint();
        return TRUE;
    case QEvent::Timer:
        if (static_cast<QTimerEvent*>(event)->timerId() != m_nTimerId)
            return FALSE;
        OnTimer();
        return TRUE;
    default:
        return FALSE;
    }
}

void CSplashWindow::OnPaint()
{
    QPainter painter(m_hWnd);
    if (!painter.isActive())
        return;
    painter.drawPixmap(0, 0, m_bitmap);
}

void CSplashWindow::OnTimer()
{
    // A timer may come a little early; the picture stays its full time.
    const qint64 left = kTimerInterval - m_shownFor.elapsed();
    if (left > 0) {
        m_hWnd->killTimer(m_nTimerId);
        m_nTimerId = m_hWnd->startTimer(static_cast<int>(left), Qt::PreciseTimer);
        return;
    }
    HideSplash();
}

// Hides the window at once and lets Qt delete it (and with it this object) once the event
// being delivered is done with it; from here on the splash filters nothing.
void CSplashWindow::HideSplash()
{
    if (m_hWnd == nullptr)
        return;
    if (s_pSplashWindow == this)
        s_pSplashWindow = nullptr;
    QWidget* widget = m_hWnd;
    if (m_nTimerId != 0) {
        widget->killTimer(m_nTimerId);
        m_nTimerId = 0;
    }
    widget->hide();
    widget->deleteLater();
    RepaintMainWindow();
}

// The widget still sends its last events (hide, leave) through the window object's filter
// while it is taken down, so the object is deleted only once control is back in the loop.
void CSplashWindow::OnWidgetGone()
{
    if (s_pSplashWindow == this)
        s_pSplashWindow = nullptr;
    UnsubclassWindow();
    QMetaObject::invokeMethod(qApp, [this] { delete this; }, Qt::QueuedConnection);
}

void CSplashWindow::RepaintMainWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != m_hWnd && window->isVisible())
            window->repaint();
    }
}
