// The window during a trace that takes its time: it paints, names the hop being probed
// (also while the pointer passes over a button), shows the wait cursor, drops keyboard and
// mouse input (sent or posted) and refuses to close; afterwards it shows the idle text and
// takes input again.

#include "ConnectTestKit.h"
#include "ScriptedEcho.h"

#include "BlockingHook.h"
#include "MessageBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <thread>

namespace {

using Lines = std::vector<std::string>;

constexpr int kProbeDelayMs = 150;
constexpr int kHookIntervalMs = 5;

// Takes a probe's time as the real facility does, calling the thread's blocking hook while
// it waits.
void WaitLikeAProbe()
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kProbeDelayMs);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kHookIntervalMs));
        win::CallBlockingHook();
    }
}

// How many probes went out with this TTL so far, the latest included.
int ProbesOfTtl(BYTE ttl)
{
    const std::vector<CRecordedProbe>& probes = CScriptedEcho::Instance().m_probes;
    return static_cast<int>(
        std::count_if(probes.begin(), probes.end(), [ttl](const CRecordedProbe& probe) { return probe.m_ttl == ttl; }));
}

QWidget* ToolbarButton(CStartedApp& started, UINT id)
{
    auto* bar = started.Frame()->GetWindow()->findChild<QToolBar*>(QString::number(AFX_IDW_TOOLBAR));
    if (bar == nullptr)
        return nullptr;
    for (QAction* action : bar->actions()) {
        if (action->data().toUInt() == id)
            return bar->widgetForAction(action);
    }
    return nullptr;
}

// Counts the modal dialogs that open while it lives and hides each at once; hiding ends
// the dialog's loop even where a close request would be refused.
class CStrayDialogs {
public:
    CStrayDialogs()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                ++m_nCount;
                dialog->hide();
            }
        });
        m_timer.start(kPollMs);
    }
    int m_nCount = 0;

private:
    static constexpr int kPollMs = 10;
    QTimer m_timer;
};

// Ctrl+N (File/New) and a click on the toolbar's connect button, sent at once and posted.
void SendAndPostInput(QWidget* window, QWidget* button)
{
    QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier);
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, Qt::Key_N, Qt::ControlModifier));
    QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyRelease, Qt::Key_N, Qt::ControlModifier));
    const QPointF centre = QRectF(button->rect()).center();
    const QPointF global = button->mapToGlobal(centre);
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, centre, global, Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton,
                                                        Qt::NoButton, Qt::NoModifier));
}

// The pointer comes into the window over a button and leaves it again; the message pane's
// text after each step.
std::vector<std::string> PointerPassesOver(QWidget* button, const std::function<std::string()>& pane)
{
    std::vector<std::string> texts;
    const QPointF centre = QRectF(button->rect()).center();
    QEnterEvent enter(centre, centre, button->mapToGlobal(centre));
    QCoreApplication::sendEvent(button, &enter);
    texts.push_back(pane());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    texts.push_back(pane());
    return texts;
}

TEST(ConnectBusyTest, WindowPaintsButTakesNoInputAndStaysOpenWhileTracing)
{
    SKIP_UNLESS_LOOKUPS_STAY_HERE();
    CScriptedEcho& echo = CScriptedEcho::Instance();
    echo.Reset();
    echo.m_byTtl = {{1, {true, Ip(198, 18, 0, 1), 7}}, {2, {true, Ip(127, 0, 0, 1), 7}}};
    CStartedApp started({"-nologo"});
    QMainWindow* window = started.Frame()->GetWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QWidget* connectButton = ToolbarButton(started, ID_CONNECT);
    ASSERT_NE(connectButton, nullptr);
    auto* paints = new CBusyPaintCounter(window);

    std::map<BYTE, std::string> paneByTtl;
    bool waitCursor = false;
    bool closed = true;
    std::vector<std::string> paneAfterPointer;
    // A dialog opening during the trace would start a second trace.
    std::unique_ptr<CStrayDialogs> stray;
    const auto onProbe = [&](BYTE ttl, int probe) {
        window->update();
        if (probe != 1)
            return;
        paneByTtl[ttl] = MessagePane(started);
        if (ttl != 1)
            return;
        stray = std::make_unique<CStrayDialogs>();
        waitCursor = QApplication::overrideCursor() != nullptr &&
                     QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        SendAndPostInput(window, connectButton);
        closed = window->close();
        paneAfterPointer = PointerPassesOver(connectButton, [&] { return MessagePane(started); });
    };
    int activeSends = 0;
    int mostActiveSends = 0; // above 1 when a second trace ran inside the first
    echo.m_onSend = [&](const CRecordedProbe& sent) {
        mostActiveSends = std::max(mostActiveSends, ++activeSends);
        onProbe(sent.m_ttl, ProbesOfTtl(sent.m_ttl));
        WaitLikeAProbe();
        --activeSends;
    };
    ASSERT_TRUE(Connect(started, kTargetHost));
    echo.m_onSend = nullptr;
    ASSERT_NE(stray, nullptr);

    const Lines listing = Listing(kTargetHost, {"1\t7\t7\t7\t[198.18.0.1]", "2\t7\t7\t7\t[127.0.0.1]\tlocalhost"});
    EXPECT_EQ(started.ListLines(), listing);
    EXPECT_EQ(paneByTtl, (std::map<BYTE, std::string>{{1, "Untersuche Hop 1 von 30 ..."},
                                                      {2, "Untersuche Hop 2 von 30 ..."}}));
    EXPECT_EQ(paneAfterPointer, Lines(2, "Untersuche Hop 1 von 30 ..."));
    EXPECT_EQ(MessagePane(started), "Bereit");
    EXPECT_TRUE(waitCursor);
    EXPECT_GT(paints->m_nPaints, 0);
    EXPECT_FALSE(closed);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(stray->m_nCount, 0);
    EXPECT_EQ(mostActiveSends, 1);
    EXPECT_EQ(echo.m_probes.size(), 6u);

    // Input kept back during the trace would take effect now.
    QTest::qWait(50);
    EXPECT_EQ(started.ListLines(), listing);
    EXPECT_EQ(stray->m_nCount, 0);

    // The same input works again: File/New asks to save the new listing, then empties it.
    {
        CMessageBoxHook boxes(IDNO);
        QTest::keyClick(window, Qt::Key_N, Qt::ControlModifier);
        EXPECT_EQ(boxes.m_boxes.size(), 1u);
        EXPECT_EQ(started.ListLines(), Lines{});
    }
    stray.reset();
    CAddressDialogAnswer cancel(std::nullopt);
    QTest::mouseClick(connectButton, Qt::LeftButton);
    EXPECT_TRUE(cancel.Answered());
    EXPECT_EQ(started.ListLines(), (Lines{kWaitLine, kCancelLine}));
    echo.Reset();
}

} // namespace
