// Each way through the connect command, driven through the address dialog with a scripted
// echo module: the listing line by line, the document, the view's host and flag, the
// history, and nothing left of the trace afterwards (wait cursor, busy scope, hop text).

#include "ConnectTestKit.h"
#include "ScriptedEcho.h"

#include "BlockingHook.h"
#include "ErrorText.h"
#include "LastError.h"
#include "MessageBox.h"
#include "ReportTracer.h"
#include "TraceBusyScope.h"
#include "WinSock.h"

#include <QApplication>
#include <QListView>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <utility>
#include <new>

namespace {

using Lines = std::vector<std::string>;

const std::string kHomeHost = "www.velmora.example";

// Routers answer at TTL 1 .. targetHop - 1 from 198.18.0.<ttl>, the target at targetHop;
// every answer takes 7 ms. Other TTLs time out.
void ScriptRoute(int targetHop)
{
    CScriptedEcho& echo = CScriptedEcho::Instance();
    for (int ttl = 1; ttl < targetHop; ++ttl)
        echo.m_byTtl[static_cast<BYTE>(ttl)] = {true, Ip(198, 18, 0, ttl), 7};
    echo.m_byTtl[static_cast<BYTE>(targetHop)] = {true, Ip(127, 0, 0, 1), 7};
}

std::string TargetLine(int hop)
{
    return std::to_string(hop) + "\t7\t7\t7\t[127.0.0.1]\tlocalhost";
}

class ConnectOutcomeTest : public ::testing::Test {
protected:
    void SetUp() override { CScriptedEcho::Instance().Reset(); }
    void TearDown() override { CScriptedEcho::Instance().Reset(); }

    static CScriptedEcho& Echo() { return CScriptedEcho::Instance(); }
    static std::size_t Probes() { return Echo().m_probes.size(); }

    static std::map<BYTE, int> ProbesByTtl()
    {
        std::map<BYTE, int> counts;
        for (const CRecordedProbe& probe : Echo().m_probes)
            ++counts[probe.m_ttl];
        return counts;
    }

    static std::map<DWORD, int> ProbesByTimeoutMs()
    {
        std::map<DWORD, int> counts;
        for (const CRecordedProbe& probe : Echo().m_probes)
            ++counts[probe.m_timeoutMs];
        return counts;
    }

    // Nothing of the trace is left once the command has returned.
    static void ExpectIdle(CStartedApp& started)
    {
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(CTraceBusyScope::IsActive());
        EXPECT_FALSE(win::HasBlockingHook());
        EXPECT_EQ(MessagePane(started), "Bereit");
    }

    static bool LineShown(CStartedApp& started, int index)
    {
        auto* view = qobject_cast<QListView*>(started.View()->m_ListBox.m_hWnd);
        const QRect line = view->visualRect(view->model()->index(index, 0));
        return view->viewport()->rect().contains(line);
    }

    static std::string History(CStartedApp& started, const std::string& entry)
    {
        return started.App().GetProfileString("Settings", entry);
    }
};

TEST_F(ConnectOutcomeTest, CancelWritesTwoLinesAndLeavesEverythingElse)
{
    CStartedApp started({"-nologo"});
    ASSERT_TRUE(started.m_bStarted);
    ASSERT_TRUE(Connect(started, std::nullopt));

    EXPECT_EQ(started.ListLines(), (Lines{kWaitLine, kCancelLine}));
    EXPECT_EQ(started.View()->m_strHost, kHomeHost);
    EXPECT_FALSE(started.View()->m_bHasResults);
    EXPECT_TRUE(started.Doc()->m_Listing.empty());
    EXPECT_FALSE(started.Doc()->IsModified());
    EXPECT_EQ(Probes(), 0u);
    EXPECT_EQ(History(started, "HistoryCombo0"), "");
    ExpectIdle(started);
}

TEST_F(ConnectOutcomeTest, TargetAtHopThreeGivesTheWholeListingInListAndDocument)
{
    SKIP_UNLESS_LOOKUPS_STAY_HERE();
    ScriptRoute(3);
    g_bResolveNames = FALSE;
    CStartedApp started({"-nologo"});
    ASSERT_TRUE(Connect(started, kTargetHost));

    const Lines expected = Listing(kTargetHost, {RouterLine(1), RouterLine(2), TargetLine(3)});
    ASSERT_EQ(expected.size(), 8u + 3u + 4u);
    EXPECT_EQ(started.ListLines(), expected);
    EXPECT_EQ(started.Doc()->m_Listing, CStringArray(expected));
    EXPECT_TRUE(started.Doc()->IsModified());
    EXPECT_TRUE(started.View()->m_bHasResults);
    EXPECT_EQ(started.View()->m_strHost, kTargetHost);
    EXPECT_TRUE(g_bResolveNames);
    // Three probes per hop, each allowed 30 s, and none past the target.
    EXPECT_EQ(ProbesByTtl(), (std::map<BYTE, int>{{1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(ProbesByTimeoutMs(), (std::map<DWORD, int>{{30000, 9}}));
    EXPECT_EQ(History(started, "HistoryCombo0"), kTargetHost);
    EXPECT_EQ(History(started, "HistoryCombo"), kTargetHost);
    ExpectIdle(started);
}

TEST_F(ConnectOutcomeTest, SilentTargetGivesThirtyTimeoutLines)
{
    SKIP_UNLESS_LOOKUPS_STAY_HERE();
    const std::string host = "198.18.0.99";
    CStartedApp started({"-nologo"});
    // The list follows the lines as they come, the newest in sight.
    std::optional<std::pair<bool, bool>> firstAndLastShown;
    Echo().m_onSend = [&](const CRecordedProbe& probe) {
        if (probe.m_ttl == 30)
            firstAndLastShown = {LineShown(started, 0), LineShown(started, started.View()->m_ListBox.GetCount() - 1)};
    };
    ASSERT_TRUE(Connect(started, host));
    EXPECT_EQ(firstAndLastShown, std::make_pair(false, true));

    Lines hopLines;
    for (int hop = 1; hop <= 30; ++hop)
        hopLines.push_back(TimeoutLine(hop));
    const Lines expected = Listing(host, hopLines);
    EXPECT_EQ(started.ListLines(), expected);
    EXPECT_EQ(started.Doc()->m_Listing, CStringArray(expected));
    EXPECT_TRUE(started.View()->m_bHasResults);
    // A hop whose first probe gets no answer sends no second one.
    EXPECT_EQ(Probes(), 30u);
    ExpectIdle(started);
}

// A router that answers destination unreachable ends the route, its reason under the hop
// lines; a multicast target is refused in words.
TEST_F(ConnectOutcomeTest, UnreachableAnswerEndsTheListingWithItsReason)
{
    SKIP_UNLESS_LOOKUPS_STAY_HERE();
    Echo().m_byTtl[1] = {true, Ip(198, 18, 0, 1), 7};
    for (int ttl = 2; ttl <= 30; ++ttl)
        Echo().m_byTtl[static_cast<BYTE>(ttl)] = {true, Ip(198, 18, 0, 2), 7, 0, 0, IP_DEST_NET_UNREACHABLE};
    CStartedApp started({"-nologo"});
    ASSERT_TRUE(Connect(started, "198.18.0.99"));
    const Lines expected =
        Listing("198.18.0.99", {RouterLine(1), RouterLine(2), "Ende der Route: 198.18.0.2 meldet Netz nicht erreichbar (!N)"});
    EXPECT_EQ(started.ListLines(), expected);
    EXPECT_EQ(started.Doc()->m_Listing, CStringArray(expected));
    EXPECT_EQ(Probes(), 6u);

    ASSERT_TRUE(Connect(started, "224.0.0.1"));
    EXPECT_EQ(started.ListLines(),
              FailedListing("224.0.0.1", "Fehler bei Quorail Nr.: 11018",
                            "das Ziel ist keine einzelne Adresse (Multicast, Broadcast oder unbestimmt): dorthin sendet "
                            "Quorail keine Proben"));
    EXPECT_EQ(Probes(), 6u);
    ExpectIdle(started);
}

// The host text reaches the listing in the program's code page, whatever the resolver makes
// of it; the code's reason stands under it in words, and the document holds what is shown.
TEST_F(ConnectOutcomeTest, UnresolvableAndEmptyHostsShowTheResolverCodeAndItsReason)
{
    SKIP_UNLESS_LOOKUPS_STAY_HERE();
    CStartedApp started({"-nologo"});
    for (const std::string host : {"nirgendwo.invalid", "b\xFC" "cher.invalid", ""}) {
        std::vector<win::CIpAddress> addresses;
        const DWORD code = win::GetAddrInfo(host.c_str(), AF_UNSPEC, addresses);
        EXPECT_GE(code, WSAHOST_NOT_FOUND) << host;
        EXPECT_LE(code, WSANO_DATA) << host;

        ASSERT_TRUE(Connect(started, host));
        const std::string reason = CErrorText::ReasonFor(code);
        EXPECT_FALSE(reason.empty()) << code;
        const Lines expected = FailedListing(host, "Fehler bei Quorail Nr.: " + std::to_string(code), reason);
        EXPECT_EQ(started.ListLines(), expected);
        EXPECT_EQ(started.Doc()->m_Listing, CStringArray(expected));
        EXPECT_EQ(started.View()->m_strHost, host);
        ExpectIdle(started);
    }
    EXPECT_EQ(CErrorText::ReasonFor(WSAHOST_NOT_FOUND), "Host nicht gefunden");
    EXPECT_EQ(Probes(), 0u);
    EXPECT_TRUE(started.Doc()->IsModified());
}

// What Ctrl+S saves is what the window shows: a failed trace's listing replaces the earlier
// one in both, and a cancelled dialog brings the listing back into the window.
TEST_F(ConnectOutcomeTest, LaterFailureAndCancelLeaveListAndDocumentAlike)
{
    SKIP_UNLESS_LOOKUPS_STAY_HERE();
    ScriptRoute(2);
    CStartedApp started({"-nologo"});
    ASSERT_TRUE(Connect(started, kTargetHost));
    const Lines listing = Listing(kTargetHost, {RouterLine(1), TargetLine(2)});
    ASSERT_EQ(started.ListLines(), listing);
    started.Doc()->SetModifiedFlag(FALSE); // as after saving it

    ASSERT_TRUE(Connect(started, std::nullopt));
    EXPECT_EQ(started.ListLines(), listing);
    EXPECT_EQ(started.Doc()->m_Listing, CStringArray(listing));
    EXPECT_FALSE(started.Doc()->IsModified());

    // The echo handle cannot be opened for the second hop's first probe.
    Echo().Reset();
    ScriptRoute(2);
    Echo().m_onSend = [](const CRecordedProbe&) { Echo().m_failCreate = Probes() >= 3; };
    const std::string failing = "198.18.0.50";
    ASSERT_TRUE(Connect(started, failing));
    const std::string reason = CErrorText::ReasonFor(ERROR_ACCESS_DENIED);
    const Lines failed = FailedListing(failing, "Fehler bei Quorail Nr.: 5", reason);
    EXPECT_EQ(started.ListLines(), failed);
    // The advice names the helper and the ping sockets, never a capability for a program with Qt.
    EXPECT_NE(reason.find("sudo setcap cap_net_raw+ep /"), std::string::npos) << reason;
    EXPECT_NE(reason.find("/quorail-probe)"), std::string::npos) << reason;
    EXPECT_NE(reason.find("net.ipv4.ping_group_range"), std::string::npos) << reason;
    EXPECT_EQ(Probes(), 3u);
    EXPECT_EQ(started.View()->m_strHost, failing);
    EXPECT_EQ(started.Doc()->m_Listing, CStringArray(failed));
    EXPECT_TRUE(started.Doc()->IsModified());
    ExpectIdle(started);

    ASSERT_TRUE(Connect(started, std::nullopt));
    EXPECT_EQ(started.ListLines(), failed);
    EXPECT_EQ(started.Doc()->m_Listing, CStringArray(failed));
    // The last confirmed host heads the history; a cancelled dialog wrote nothing.
    EXPECT_EQ(History(started, "HistoryCombo0"), failing);
    EXPECT_EQ(History(started, "HistoryCombo"), failing);
}

TEST_F(ConnectOutcomeTest, ThrowingProbeShowsTheMemoryBoxAfterTheTraceIsUndone)
{
    SKIP_UNLESS_LOOKUPS_STAY_HERE();
    ScriptRoute(3);
    Echo().m_onSend = [](const CRecordedProbe&) {
        if (Probes() == 4)
            throw std::bad_alloc();
    };
    CStartedApp started({"-nologo"});
    struct CBox {
        std::string m_text;
        bool m_bWaitCursor;
        bool m_bBusy;
    };
    std::vector<CBox> boxes;
    const MessageBoxHook previous = SetMessageBoxHook([&](const std::string& text, UINT) {
        boxes.push_back({text, QApplication::overrideCursor() != nullptr, CTraceBusyScope::IsActive()});
        return IDOK;
    });
    const bool answered = Connect(started, kTargetHost);
    SetMessageBoxHook(previous);

    ASSERT_TRUE(answered);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].m_text, "Nicht gen\xFCgend Arbeitsspeicher.");
    EXPECT_FALSE(boxes[0].m_bWaitCursor);
    EXPECT_FALSE(boxes[0].m_bBusy);
    EXPECT_EQ(started.ListLines(), (Lines{kWaitLine, "Verbinde mit:\t" + kTargetHost, " "}));
    EXPECT_FALSE(started.View()->m_bHasResults);
    EXPECT_TRUE(started.Doc()->m_Listing.empty());
    ExpectIdle(started);

    // The next run is a whole one again.
    Echo().m_onSend = nullptr;
    ASSERT_TRUE(Connect(started, kTargetHost));
    EXPECT_EQ(started.ListLines(), Listing(kTargetHost, {RouterLine(1), RouterLine(2), TargetLine(3)}));
    ExpectIdle(started);
}

} // namespace
