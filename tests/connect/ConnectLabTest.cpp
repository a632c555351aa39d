// The connect command on the lab's real routers, with its fixed parameters (30 hops,
// 3 probes, 30 s each): the hop addresses and the names from the lab's hosts file, an
// unknown name, and, once, the silent router's timeout line.
//
//   qlab-src -- r1 198.18.1.2 -- r2 198.18.2.2 (silent) -- r3 198.18.3.2 -- dst 198.18.4.2

#include "ConnectTestKit.h"

#include <QMainWindow>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sstream>

namespace {

using Lines = std::vector<std::string>;

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream stream(line);
    for (std::string field; std::getline(stream, field, '\t');)
        fields.push_back(field);
    return fields;
}

// An answered hop's line: its number, three ordered round trips, the address and the name.
void ExpectAnsweredHop(const std::string& line, int hop, const std::string& address, const std::string& name)
{
    const std::vector<std::string> fields = Fields(line);
    ASSERT_EQ(fields.size(), 6u) << line;
    EXPECT_EQ(fields[0], std::to_string(hop));
    const unsigned long least = std::stoul(fields[1]);
    const unsigned long mean = std::stoul(fields[2]);
    const unsigned long most = std::stoul(fields[3]);
    EXPECT_LE(least, mean) << line;
    EXPECT_LE(mean, most) << line;
    EXPECT_LT(most, 1000u) << line;
    EXPECT_EQ(fields[4], "[" + address + "]");
    EXPECT_EQ(fields[5], name);
}

// Everything but the hop lines, which vary with the round trips.
void ExpectFrame(const Lines& lines, const std::string& host, std::size_t hops)
{
    ASSERT_EQ(lines.size(), 8 + hops + 4);
    Lines frame = lines;
    for (std::size_t i = 0; i < hops; ++i)
        frame[8 + i] = "hop";
    EXPECT_EQ(frame, Listing(host, Lines(hops, "hop")));
}

TEST(ConnectLabTest, ListsTheRoutersByAddressAndLabName)
{
    CStartedApp started({"-nologo"});
    ASSERT_TRUE(Connect(started, "r2.lab.quorail.test"));

    const Lines lines = started.ListLines();
    ExpectFrame(lines, "r2.lab.quorail.test", 2);
    ExpectAnsweredHop(lines.at(8), 1, "198.18.1.2", "r1.lab.quorail.test");
    ExpectAnsweredHop(lines.at(9), 2, "198.18.2.2", "r2.lab.quorail.test");
    EXPECT_EQ(started.Doc()->m_Listing, CStringArray(lines));
    EXPECT_TRUE(started.View()->m_bHasResults);
}

TEST(ConnectLabTest, UnknownLabNameIsHostNotFound)
{
    CStartedApp started({"-nologo"});
    ASSERT_TRUE(Connect(started, "nirgendwo.lab.quorail.test"));
    EXPECT_EQ(started.ListLines(),
              FailedListing("nirgendwo.lab.quorail.test", "Fehler bei Quorail Nr.: 11001", "Host nicht gefunden"));
}

// The silent router is given up after a second, since the hops behind it answered; the
// window goes on painting while the trace waits for it.
TEST(ConnectLabTest, SilentRouterGivesTheTimeoutLineAndTheTraceGoesOn)
{
    CStartedApp started({"-nologo"});
    QMainWindow* window = started.Frame()->GetWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    auto* paints = new CBusyPaintCounter(window);
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, window, [window] { window->update(); });
    repaint.start(100);
    ASSERT_TRUE(Connect(started, "198.18.4.2"));
    repaint.stop();

    const Lines lines = started.ListLines();
    ExpectFrame(lines, "198.18.4.2", 4);
    ExpectAnsweredHop(lines.at(8), 1, "198.18.1.2", "r1.lab.quorail.test");
    EXPECT_EQ(lines.at(9), TimeoutLine(2));
    ExpectAnsweredHop(lines.at(10), 3, "198.18.3.2", "r3.lab.quorail.test");
    ExpectAnsweredHop(lines.at(11), 4, "198.18.4.2", "dst.lab.quorail.test");
    EXPECT_GE(paints->m_nPaints, 5);
}

// A bracketed IPv6 literal typed into the dialog is traced over the lab's IPv6 chain.
TEST(ConnectLabTest, BracketedIpv6LiteralIsTracedOverIpv6)
{
    CStartedApp started({"-nologo"});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(started.Frame()->GetWindow()));
    ASSERT_TRUE(Connect(started, "[2001:2:0:4::2]"));

    const Lines lines = started.ListLines();
    ASSERT_EQ(lines.size(), 8u + 4 + 4);
    ExpectAnsweredHop(lines.at(8), 1, "2001:2:0:1::2", "r1.v6.lab.quorail.test");
    EXPECT_EQ(lines.at(9), TimeoutLine(2));
    ExpectAnsweredHop(lines.at(11), 4, "2001:2:0:4::2", "dst6.lab.quorail.test");
}

} // namespace
