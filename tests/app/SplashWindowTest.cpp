#include "SplashWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Stands in for the application's pre-translation: every event passes the splash first.
class CPreTranslateFilter : public QObject {
protected:
    bool eventFilter(QObject* target, QEvent* event) override
    {
        return CSplashWindow::FilterAppMessage(target, event) != FALSE;
    }
};

// Stands in for the main window: counts the input that reaches it.
class CRecordingWindow : public QWidget {
public:
    int m_nPresses = 0;
    int m_nReleases = 0;
    int m_nMoves = 0;

protected:
    bool event(QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::NonClientAreaMouseButtonPress:
            ++m_nPresses;
            return true;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonRelease:
            ++m_nReleases;
            return true;
        case QEvent::MouseMove:
            ++m_nMoves;
            return true;
        default:
            return QWidget::event(event);
        }
    }
};

void FlushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QWidget* SplashWidget()
{
    return CSplashWindow::s_pSplashWindow != nullptr ? CSplashWindow::s_pSplashWindow->GetSafeHwnd()
                                                     : nullptr;
}

// One key-down event; QTest would press the modifier keys separately first.
void SendKeyPress(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
}

void SendNonClientPress(QWidget* target, Qt::MouseButton button)
{
    QMouseEvent press(QEvent::NonClientAreaMouseButtonPress, QPointF(-2, -2),
                      target->mapToGlobal(QPointF(-2, -2)), button, button, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

class SplashWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qApp->installEventFilter(&m_filter);
        m_window.setGeometry(40, 40, 800, 600);
        m_window.setMouseTracking(true);
        m_window.show();
        CSplashWindow::EnableSplash(TRUE);
    }

    void TearDown() override
    {
        if (CSplashWindow::s_pSplashWindow != nullptr)
            CSplashWindow::s_pSplashWindow->HideSplash();
        FlushDeletes();
        CSplashWindow::EnableSplash(FALSE);
        qApp->removeEventFilter(&m_filter);
    }

    CPreTranslateFilter m_filter;
    CRecordingWindow m_window;
};

struct PressKind {
    const char* m_name;
    std::function<void(QWidget*)> m_press;
};

const PressKind kPressKinds[] = {
    {"key", [](QWidget* w) { QTest::keyPress(w, Qt::Key_A); }},
    {"alt", [](QWidget* w) { SendKeyPress(w, Qt::Key_Alt, Qt::AltModifier); }},
    {"alt+f", [](QWidget* w) { SendKeyPress(w, Qt::Key_F, Qt::AltModifier); }},
    {"left", [](QWidget* w) { QTest::mousePress(w, Qt::LeftButton, {}, QPoint(10, 10)); }},
    {"right", [](QWidget* w) { QTest::mousePress(w, Qt::RightButton, {}, QPoint(10, 10)); }},
    {"middle", [](QWidget* w) { QTest::mousePress(w, Qt::MiddleButton, {}, QPoint(10, 10)); }},
    {"frame left", [](QWidget* w) { SendNonClientPress(w, Qt::LeftButton); }},
    {"frame right", [](QWidget* w) { SendNonClientPress(w, Qt::RightButton); }},
    {"frame middle", [](QWidget* w) { SendNonClientPress(w, Qt::MiddleButton); }},
};

} // namespace

TEST_F(SplashWindowTest, EachPressHidesTheSplashAndIsSwallowed)
{
    for (const PressKind& kind : kPressKinds) {
        SCOPED_TRACE(kind.m_name);
        CSplashWindow::ShowSplash(&m_window);
        QPointer<QWidget> splash = SplashWidget();
        ASSERT_NE(splash, nullptr);
        ASSERT_TRUE(splash->isVisible());
        const int before = m_window.m_nPresses;

        kind.m_press(&m_window);
        EXPECT_EQ(m_window.m_nPresses, before);
        EXPECT_EQ(CSplashWindow::s_pSplashWindow, nullptr);
        EXPECT_FALSE(splash->isVisible());
        FlushDeletes();
        EXPECT_TRUE(splash.isNull());

        kind.m_press(&m_window);
        EXPECT_EQ(m_window.m_nPresses, before + 1);
        QTest::keyRelease(&m_window, Qt::Key_Alt);
        QTest::mouseRelease(&m_window, Qt::LeftButton, {}, QPoint(10, 10));
    }
}

TEST_F(SplashWindowTest, ClickOnTheSplashItselfHidesIt)
{
    CSplashWindow::ShowSplash(&m_window);
    QPointer<QWidget> splash = SplashWidget();
    ASSERT_NE(splash, nullptr);
    QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(CSplashWindow::s_pSplashWindow, nullptr);
    FlushDeletes();
    EXPECT_TRUE(splash.isNull());
    EXPECT_EQ(m_window.m_nPresses, 0);
}

TEST_F(SplashWindowTest, MovesReleasesAndOtherButtonsPass)
{
    CSplashWindow::ShowSplash(&m_window);
    ASSERT_NE(CSplashWindow::s_pSplashWindow, nullptr);

    for (const QPointF& point : {QPointF(30, 30), QPointF(60, 50)}) {
        QMouseEvent move(QEvent::MouseMove, point, m_window.mapToGlobal(point), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&m_window, &move);
    }
    QTest::keyRelease(&m_window, Qt::Key_A);
    QTest::mouseRelease(&m_window, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mousePress(&m_window, Qt::BackButton, {}, QPoint(10, 10));
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&m_window, &doubleClick);

    EXPECT_NE(CSplashWindow::s_pSplashWindow, nullptr);
    EXPECT_EQ(m_window.m_nMoves, 2);
    EXPECT_EQ(m_window.m_nReleases, 2);
    EXPECT_EQ(m_window.m_nPresses, 1);
}

// The offscreen platform activates every window it shows and leaves none active when the
// splash goes; a window manager would keep or return the focus to the main window.
void Activate(QWidget* window)
{
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

TEST_F(SplashWindowTest, ShortcutKeyOnlyHidesTheSplash)
{
    int activated = 0;
    QShortcut shortcut(QKeySequence(Qt::Key_F6), &m_window);
    QObject::connect(&shortcut, &QShortcut::activated, [&activated] { ++activated; });

    CSplashWindow::ShowSplash(&m_window);
    Activate(&m_window);
    QTest::keyClick(&m_window, Qt::Key_F6);
    EXPECT_EQ(activated, 0);
    EXPECT_EQ(CSplashWindow::s_pSplashWindow, nullptr);
    EXPECT_EQ(m_window.m_nPresses, 0);

    Activate(&m_window);
    QTest::keyClick(&m_window, Qt::Key_F6);
    EXPECT_EQ(activated, 1);
}

TEST_F(SplashWindowTest, TimerHidesItNoEarlierThan750Milliseconds)
{
    QElapsedTimer sinceRequest;
    sinceRequest.start();
    CSplashWindow::ShowSplash(nullptr);
    QElapsedTimer sinceShown;
    sinceShown.start();
    ASSERT_NE(CSplashWindow::s_pSplashWindow, nullptr);

    while (CSplashWindow::s_pSplashWindow != nullptr && sinceRequest.elapsed() < 3000) {
        QTest::qWait(5);
        if (CSplashWindow::s_pSplashWindow != nullptr)
            EXPECT_LT(sinceShown.elapsed(), 1500);
        else
            EXPECT_GE(sinceRequest.elapsed(), CSplashWindow::kTimerInterval);
    }
    EXPECT_EQ(CSplashWindow::s_pSplashWindow, nullptr);
    EXPECT_EQ(m_window.m_nPresses, 0);
}

TEST_F(SplashWindowTest, SecondShowDoesNothing)
{
    CSplashWindow::ShowSplash(&m_window);
    CSplashWindow* first = CSplashWindow::s_pSplashWindow;
    ASSERT_NE(first, nullptr);
    CSplashWindow::ShowSplash(&m_window);
    CSplashWindow::ShowSplash(nullptr);
    EXPECT_EQ(CSplashWindow::s_pSplashWindow, first);
    int splashes = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        splashes += window->windowType() == Qt::SplashScreen && window->isVisible();
    EXPECT_EQ(splashes, 1);
}

TEST_F(SplashWindowTest, DisabledShowsNoneAndFiltersNothing)
{
    CSplashWindow::EnableSplash(FALSE);
    CSplashWindow::ShowSplash(&m_window);
    EXPECT_EQ(CSplashWindow::s_pSplashWindow, nullptr);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    EXPECT_EQ(CSplashWindow::FilterAppMessage(&m_window, &key), FALSE);
    QTest::mousePress(&m_window, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(m_window.m_nPresses, 1);
}

TEST_F(SplashWindowTest, MissingPictureShowsNothing)
{
    const QString path = CSplashWindow::s_strBitmapPath;
    CSplashWindow::s_strBitmapPath = QStringLiteral(":/images/no-such-picture.bmp");
    CSplashWindow::ShowSplash(&m_window);
    CSplashWindow::s_strBitmapPath = path;
    EXPECT_EQ(CSplashWindow::s_pSplashWindow, nullptr);
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_NE(window->windowType(), Qt::SplashScreen);
}

TEST_F(SplashWindowTest, BorderlessPictureCentredOnWorkAreaOrOwner)
{
    m_window.hide();
    CSplashWindow::ShowSplash(&m_window);
    QWidget* splash = SplashWidget();
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->size(), QSize(520, 317));
    EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(splash->windowType(), Qt::SplashScreen);
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((splash->geometry().center() - work.center()).manhattanLength(), 1);

    const QImage shown = splash->grab().toImage();
    const QImage picture(CSplashWindow::s_strBitmapPath);
    for (const QPoint& point : {QPoint(0, 0), QPoint(100, 60), QPoint(470, 110), QPoint(519, 316)})
        EXPECT_EQ(shown.pixel(point), picture.pixel(point)) << point.x() << "," << point.y();
    CSplashWindow::s_pSplashWindow->HideSplash();
    FlushDeletes();

    m_window.setGeometry(30, 50, 900, 700);
    m_window.show();
    CSplashWindow::ShowSplash(&m_window);
    splash = SplashWidget();
    ASSERT_NE(splash, nullptr);
    const QPoint offset = splash->geometry().center() - m_window.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 1);
}

TEST_F(SplashWindowTest, GoesAwayWithItsOwner)
{
    auto owner = std::make_unique<QWidget>();
    CSplashWindow::ShowSplash(owner.get());
    ASSERT_NE(CSplashWindow::s_pSplashWindow, nullptr);
    owner.reset();
    EXPECT_EQ(CSplashWindow::s_pSplashWindow, nullptr);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    EXPECT_EQ(CSplashWindow::FilterAppMessage(&m_window, &key), FALSE);
}
