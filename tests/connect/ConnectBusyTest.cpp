// The window during a trace that takes its time: it paints, shows each hop's line as the
// hop is finished, names the hop being probed (also while the pointer passes over a
// button), shows the wait cursor, greys every command but connect (the stop) and exit, and
// drops keyboard and mouse input (sent or posted); afterwards it shows the idle text and
// takes input again.

#include "ConnectTestKit.h"
#include "ScriptedEcho.h"

#include "MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>

namespace {

using Lines = std::vector<std::string>;

constexpr DWORD kProbeDelayMs = 150;

// How many probes went out with this TTL so far, the latest included.
int ProbesOfTtl(BYTE ttl)
{
    const std::vector<CRecordedProbe>& probes = CScriptedEcho::Instance().m_probes;
    return static_cast<int>(
        std::count_if(probes.begin(), probes.end(), [ttl](const CRecordedProbe& probe) { return probe.m_ttl == ttl; }));
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

// Ctrl+N (File/New) and a click on the toolbar's New button: through the platform window
// as from the window system, sent to the widgets at once, and posted.
void SendAndPostInput(QWidget* window, QWidget* button)
{
    QTest::keyClick(window->windowHandle(), Qt::Key_N, Qt::ControlModifier);
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

// Which of the commands' menu items and toolbar buttons are enabled.
std::map<UINT, bool> EnabledCommands(CStartedApp& started)
{
    std::map<UINT, bool> enabled;
    for (const UINT id : {ID_CONNECT, ID_APP_EXIT, ID_FILE_NEW, ID_FILE_SAVE, ID_APP_ABOUT}) {
        started.Frame()->UpdateCommandUI();
        QAction* item = started.Frame()->FindMenuAction(id);
        enabled[id] = item != nullptr && item->isEnabled() && ToolbarButton(started, id)->isEnabled();
    }
    return enabled;
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

TEST(ConnectBusyTest, WindowPaintsShowsHopsAsTheyComeAndTakesNoOtherInputWhileTracing)
{
    SKIP_UNLESS_LOOKUPS_STAY_HERE();
    CScriptedEcho& echo = CScriptedEcho::Instance();
    echo.Reset();
    echo.m_byTtl = {{1, {true, Ip(198, 18, 0, 1), 7, 0, kProbeDelayMs}},
                    {2, {true, Ip(198, 18, 0, 2), 7, 0, kProbeDelayMs}},
                    {3, {true, Ip(127, 0, 0, 1), 7, 0, kProbeDelayMs}}};
    CStartedApp started({"-nologo"});
    QMainWindow* window = started.Frame()->GetWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QWidget* newButton = ToolbarButton(started, ID_FILE_NEW);
    ASSERT_NE(newButton, nullptr);
    auto* paints = new CBusyPaintCounter(window);
    const std::map<UINT, bool> idleCommands = {
        {ID_CONNECT, true}, {ID_APP_EXIT, true}, {ID_FILE_NEW, true}, {ID_FILE_SAVE, true}, {ID_APP_ABOUT, true}};
    ASSERT_EQ(EnabledCommands(started), idleCommands);

    std::map<BYTE, std::string> paneByTtl;
    std::map<BYTE, Lines> listByTtl;
    std::map<UINT, bool> busyCommands;
    bool waitCursor = false;
    std::vector<std::string> paneAfterPointer;
    // A dialog opening during the trace would start a second trace.
    std::unique_ptr<CStrayDialogs> stray;
    const auto onProbe = [&](BYTE ttl, int probe) {
        window->update();
        if (probe != 1)
            return;
        paneByTtl[ttl] = MessagePane(started);
        listByTtl[ttl] = started.ListLines();
        if (ttl != 1)
            return;
        stray = std::make_unique<CStrayDialogs>();
        waitCursor = QApplication::overrideCursor() != nullptr &&
                     QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        busyCommands = EnabledCommands(started);
        SendAndPostInput(window, newButton);
        paneAfterPointer = PointerPassesOver(ToolbarButton(started, ID_CONNECT), [&] { return MessagePane(started); });
    };
    int activeSends = 0;
    int mostActiveSends = 0; // above 1 when a second trace ran inside the first
    echo.m_onSend = [&](const CRecordedProbe& sent) {
        mostActiveSends = std::max(mostActiveSends, ++activeSends);
        onProbe(sent.m_ttl, ProbesOfTtl(sent.m_ttl));
        --activeSends;
    };
    ASSERT_TRUE(Connect(started, kTargetHost));
    echo.m_onSend = nullptr;
    ASSERT_NE(stray, nullptr);

    const Lines listing = Listing(kTargetHost, {"1\t7\t7\t7\t[198.18.0.1]", "2\t7\t7\t7\t[198.18.0.2]",
                                                "3\t7\t7\t7\t[127.0.0.1]\tlocalhost"});
    EXPECT_EQ(started.ListLines(), listing);
    // Each hop's line stands in the list, under the heading, while the next hop is probed.
    EXPECT_EQ(listByTtl, (std::map<BYTE, Lines>{{1, Lines(listing.begin(), listing.begin() + 3)},
                                                {2, Lines(listing.begin(), listing.begin() + 9)},
                                                {3, Lines(listing.begin(), listing.begin() + 10)}}));
    EXPECT_EQ(paneByTtl, (std::map<BYTE, std::string>{{1, "Untersuche Hop 1 von 30 ... Esc bricht ab"},
                                                      {2, "Untersuche Hop 2 von 30 ... Esc bricht ab"},
                                                      {3, "Untersuche Hop 3 von 30 ... Esc bricht ab"}}));
    EXPECT_EQ(paneAfterPointer, Lines(2, "Untersuche Hop 1 von 30 ... Esc bricht ab"));
    EXPECT_EQ(busyCommands, (std::map<UINT, bool>{{ID_CONNECT, true},
                                                  {ID_APP_EXIT, true},
                                                  {ID_FILE_NEW, false},
                                                  {ID_FILE_SAVE, false},
                                                  {ID_APP_ABOUT, false}}));
    EXPECT_EQ(EnabledCommands(started), idleCommands);
    EXPECT_EQ(MessagePane(started), "Bereit");
    EXPECT_TRUE(waitCursor);
    EXPECT_GT(paints->m_nPaints, 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(stray->m_nCount, 0);
    EXPECT_EQ(mostActiveSends, 1);
    EXPECT_EQ(echo.m_probes.size(), 9u);

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
    QTest::mouseClick(ToolbarButton(started, ID_CONNECT), Qt::LeftButton);
    EXPECT_TRUE(cancel.Answered());
    EXPECT_EQ(started.ListLines(), (Lines{kWaitLine, kCancelLine}));
    echo.Reset();
}

} // namespace
