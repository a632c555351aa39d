// Stopping a trace: Esc, the menu bar's "&Verbinden" and its toolbar button end it in the
// middle of a 30 s wait or of a reverse lookup, keeping the hop lines shown so far in list
// and document, also before the first hop; closing the window stops
// the trace, then asks to save the stopped listing and closes. Each stop's time, from the
// moment the user's action was due to the end of the command, is printed.

#include "ConnectTestKit.h"
#include "ScriptedEcho.h"

#include "MessageBox.h"
#include "TraceBusyScope.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>

namespace {

using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

constexpr DWORD kQuickProbeMs = 20;
constexpr DWORD kLongWaitMs = 30000;
// A stop must end the trace far sooner than the wait it cuts short would have.
constexpr auto kStopBound = std::chrono::milliseconds(3000);
// How long after the probe went out, or the lookup was asked, the user stops.
constexpr int kStopDelayMs = 50;
constexpr int kPollMs = 5;
constexpr int kCloseMs = 2000;

// Routers at 198.18.0.<ttl> answer TTL 1 .. silentHop - 1 quickly; the probe at silentHop
// waits its 30 s in vain, and the target answers the next TTL: a trace not stopped ends
// after one wait.
void ScriptSlowPath(int silentHop)
{
    CScriptedEcho& echo = CScriptedEcho::Instance();
    echo.Reset();
    for (int ttl = 1; ttl < silentHop; ++ttl)
        echo.m_byTtl[static_cast<BYTE>(ttl)] = {true, Ip(198, 18, 0, ttl), 7, 0, kQuickProbeMs};
    echo.m_byTtl[static_cast<BYTE>(silentHop)] = {false, 0, 0, IP_REQ_TIMED_OUT, kLongWaitMs};
    echo.m_byTtl[static_cast<BYTE>(silentHop + 1)] = {true, Ip(127, 0, 0, 1), 7, 0, kQuickProbeMs};
}

Lines RouterLines(int count)
{
    Lines lines;
    for (int hop = 1; hop <= count; ++hop)
        lines.push_back(RouterLine(hop));
    return lines;
}

// The user's stop, done a moment after the first probe of a TTL went out; it notes when.
class CStopAtHop {
public:
    CStopAtHop(BYTE ttl, std::function<void()> stop) : m_stop(std::move(stop))
    {
        CScriptedEcho::Instance().m_onSend = [this, ttl](const CRecordedProbe& probe) {
            if (probe.m_ttl == ttl && !m_bArmed)
                StopSoon();
        };
    }
    ~CStopAtHop() { CScriptedEcho::Instance().m_onSend = nullptr; }

    // Stops after kStopDelayMs, as the user would with a key or click that waits in the
    // queue until the trace next looks at its events.
    void StopSoon()
    {
        m_bArmed = true;
        m_due = Clock::now() + std::chrono::milliseconds(kStopDelayMs);
        QTimer::singleShot(kStopDelayMs, &m_context, [this] { m_stop(); });
    }
    // Prints and returns the time from the moment the stop was due to now.
    Clock::duration Took(const char* what) const
    {
        const Clock::duration took = Clock::now() - m_due;
        std::printf("stop by %s took %lld ms\n", what,
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
        return took;
    }

private:
    QObject m_context; // ends the pending stop with the object
    std::function<void()> m_stop;
    bool m_bArmed = false;
    Clock::time_point m_due = Clock::now();
};

// The user's input comes through the platform windows, as from the window system.
void PressEsc(CStartedApp& started)
{
    QTest::keyClick(started.Frame()->GetWindow()->windowHandle(), Qt::Key_Escape);
}

void ClickOn(QWidget* widget, QPoint point)
{
    QWidget* window = widget->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, widget->mapTo(window, point));
}

void ClickMenuBarConnect(CStartedApp& started)
{
    QMenuBar* bar = started.Frame()->GetWindow()->menuBar();
    ClickOn(bar, bar->actionGeometry(started.Frame()->FindMenuAction(ID_CONNECT)).center());
}

void ClickToolbarConnect(CStartedApp& started)
{
    QWidget* button = ToolbarButton(started, ID_CONNECT);
    ClickOn(button, button->rect().center());
}

// Alt+D opens the File menu, B chooses "&Beenden".
void ChooseBeenden(CStartedApp& started)
{
    QTest::keyClick(started.Frame()->GetWindow()->windowHandle(), Qt::Key_D, Qt::AltModifier);
    if (QWidget* menu = QApplication::activePopupWidget())
        QTest::keyClick(menu->windowHandle(), Qt::Key_B);
}

// A name server on 127.0.0.1 that takes each query and never answers.
class CSilentNameServer {
public:
    CSilentNameServer()
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(53);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_bListening = m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~CSilentNameServer()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool IsListening() const { return m_bListening; }
    bool HasQuery() const
    {
        pollfd entry{m_fd, POLLIN, 0};
        return ::poll(&entry, 1, 0) == 1;
    }

private:
    int m_fd = -1;
    bool m_bListening = false;
};

class ConnectStopTest : public ::testing::Test {
protected:
    void TearDown() override { CScriptedEcho::Instance().Reset(); }

    // The stopped listing in list and document, and nothing left of the trace.
    static void ExpectStopped(CStartedApp& started, const Lines& hopLines)
    {
        const Lines expected = Listing(kTargetHost, hopLines, "Abgebrochen");
        EXPECT_EQ(started.ListLines(), expected);
        EXPECT_EQ(started.Doc()->m_Listing, CStringArray(expected));
        EXPECT_TRUE(started.Doc()->IsModified());
        EXPECT_TRUE(started.View()->m_bHasResults);
        EXPECT_FALSE(CTraceBusyScope::IsActive());
        EXPECT_EQ(MessagePane(started), "Bereit");
    }
};

TEST_F(ConnectStopTest, EscDuringAThirtySecondWaitKeepsTheHopsShownAndTheNextTraceRunsWhole)
{
    SKIP_UNLESS_LOOKUPS_STAY_HERE();
    ScriptSlowPath(5);
    CStartedApp started({"-nologo"});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(started.Frame()->GetWindow()));
    {
        CStopAtHop stop(5, [&] { PressEsc(started); });
        ASSERT_TRUE(Connect(started, kTargetHost));
        EXPECT_LT(stop.Took("Esc"), kStopBound);
    }
    ExpectStopped(started, RouterLines(4));
    EXPECT_EQ(CScriptedEcho::Instance().m_probes.size(), 4u * 3u + 1u);

    CScriptedEcho::Instance().Reset();
    CScriptedEcho::Instance().m_byTtl = {{1, {true, Ip(198, 18, 0, 1), 7}}, {2, {true, Ip(127, 0, 0, 1), 7}}};
    ASSERT_TRUE(Connect(started, kTargetHost));
    EXPECT_EQ(started.ListLines(), Listing(kTargetHost, {RouterLine(1), "2\t7\t7\t7\t[127.0.0.1]\tlocalhost"}));
}

TEST_F(ConnectStopTest, MenuItemAndToolbarButtonStopTooAndAStopBeforeTheFirstHopIsAStopAsWell)
{
    SKIP_UNLESS_LOOKUPS_STAY_HERE();
    CStartedApp started({"-nologo"});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(started.Frame()->GetWindow()));
    struct CWay {
        const char* m_name;
        int m_silentHop;
        std::function<void(CStartedApp&)> m_stop;
    };
    for (const CWay& way : {CWay{"menu bar item", 3, ClickMenuBarConnect}, CWay{"toolbar button", 2, ClickToolbarConnect}}) {
        SCOPED_TRACE(way.m_name);
        ScriptSlowPath(way.m_silentHop);
        CStopAtHop stop(static_cast<BYTE>(way.m_silentHop), [&] { way.m_stop(started); });
        ASSERT_TRUE(Connect(started, kTargetHost));
        EXPECT_LT(stop.Took(way.m_name), kStopBound);
        ExpectStopped(started, RouterLines(way.m_silentHop - 1));
    }
    started.Doc()->SetModifiedFlag(FALSE);

    ScriptSlowPath(1);
    CStopAtHop stop(1, [&] { PressEsc(started); });
    ASSERT_TRUE(Connect(started, kTargetHost));
    EXPECT_LT(stop.Took("Esc before the first hop"), kStopBound);
    ExpectStopped(started, {});
}

// The close box and Alt+F4 ask the window to close; "&Beenden" does the same.
TEST_F(ConnectStopTest, ClosingDuringATraceStopsItThenAsksToSaveTheStoppedListing)
{
    SKIP_UNLESS_LOOKUPS_STAY_HERE();
    struct CWay {
        const char* m_name;
        std::function<void(CStartedApp&)> m_close;
    };
    for (const CWay& way : {CWay{"close box", [](CStartedApp& started) { started.Frame()->GetWindow()->close(); }},
                            CWay{"Beenden", ChooseBeenden}}) {
        SCOPED_TRACE(way.m_name);
        ScriptSlowPath(3);
        CStartedApp started({"-nologo"});
        QMainWindow* window = started.Frame()->GetWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        CMessageBoxHook boxes(IDNO);
        {
            // The offscreen platform leaves no window active once the address dialog is gone;
            // the user would click into the main window first.
            CStopAtHop stop(3, [&] {
                window->activateWindow();
                QCoreApplication::processEvents();
                way.m_close(started);
            });
            ASSERT_TRUE(Connect(started, kTargetHost));
            EXPECT_LT(stop.Took(way.m_name), kStopBound);
        }
        ExpectStopped(started, RouterLines(2));
        EXPECT_TRUE(boxes.m_boxes.empty()) << "the question came before the listing was complete";
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, kCloseMs));
        ASSERT_EQ(boxes.m_boxes.size(), 1u);
        EXPECT_EQ(boxes.m_boxes[0].m_text, "\xC4nderungen in Unbenannt speichern?");
    }
}

TEST_F(ConnectStopTest, EscDuringAReverseLookupEndsTheHopWithoutAName)
{
    if (!NameServerOnLoopback())
        GTEST_SKIP() << "needs network and mount namespaces of its own to hold a lookup";
    CSilentNameServer server;
    ASSERT_TRUE(server.IsListening());
    CScriptedEcho::Instance().m_byTtl = {{1, {true, Ip(198, 18, 0, 1), 7}}, {2, {true, Ip(127, 0, 0, 1), 7}}};
    CStartedApp started({"-nologo"});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(started.Frame()->GetWindow()));
    // Hop 1's name is asked once its probes are back.
    CStopAtHop stop(0, [&] { PressEsc(started); });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (server.HasQuery()) {
            poll.stop();
            stop.StopSoon();
        }
    });
    poll.start(kPollMs);
    ASSERT_TRUE(Connect(started, kTargetHost));
    EXPECT_FALSE(poll.isActive()) << "no lookup reached the name server";
    EXPECT_LT(stop.Took("Esc during a lookup"), kStopBound);
    ExpectStopped(started, {RouterLine(1)});
}

} // namespace
