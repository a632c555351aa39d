#pragma once
// Helpers for the connect tests: the address dialog answered by typing into it, the
// listing the command should write, and a paint counter.

#include "OffscreenTestRun.h"
#include "QuorailTestApp.h"

#include <QObject>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

inline const std::string kWaitLine = "Ok. Bitte etwas warten (ca. 30 sek. je nach Server) ...";
inline const std::string kCancelLine = "Ok. Auf Verbinden klicken.";
inline const std::string kEndLine = "ENDE von Quorail 1.0 von https://www.velmora.example/quorail/";
// Resolved from the hosts file in any network namespace, its reverse name too.
inline const std::string kTargetHost = "localhost";
inline const std::string kHeading = "Nr.\tmin./ms\tmittel/ms\tmax./ms\t[IP]\t\tAdresse";

// The complete listing of a trace to host that gave hopLines; closing is "Abgebrochen"
// for a trace the user stopped.
std::vector<std::string> Listing(const std::string& host, const std::vector<std::string>& hopLines,
                                 const std::string& closing = "OK");
// A failed trace's listing: three lines, the error line and, when known, its reason.
std::vector<std::string> FailedListing(const std::string& host, const std::string& errorLine,
                                       const std::string& reason = {});
std::string TimeoutLine(int hop);
// The line of a router at 198.18.0.<hop> without a name, whose scripted answers take 7 ms.
std::string RouterLine(int hop);

// Answers the next modal address dialog: clears its combo box, types host and presses
// Enter, or presses Escape when there is no host.
class CAddressDialogAnswer {
public:
    explicit CAddressDialogAnswer(std::optional<std::string> host);
    bool Answered() const { return m_bAnswered; }

private:
    void Answer();

    std::optional<std::string> m_host;
    QTimer m_timer;
    bool m_bAnswered = false;
};

// Runs the connect command as the menu does and answers its dialog; false when no dialog came.
bool Connect(CStartedApp& started, std::optional<std::string> host);
// The toolbar's button for a command, or null.
QWidget* ToolbarButton(CStartedApp& started, UINT id);
// The message pane's text (the idle text when no message is shown).
std::string MessagePane(CStartedApp& started);

// Counts the paint events that a widget gets while a trace keeps the window busy.
class CBusyPaintCounter : public QObject {
public:
    explicit CBusyPaintCounter(QWidget* widget);
    int m_nPaints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Defined by each test program's main: true when a name lookup that misses the hosts file
// cannot reach the machine's name server.
bool LookupsStayHere();

// Defined by each test program's main: true when the resolver asks a name server on
// 127.0.0.1, where nothing listens unless a test does.
bool NameServerOnLoopback();

#define SKIP_UNLESS_LOOKUPS_STAY_HERE()                                                               \
    if (!LookupsStayHere())                                                                           \
    GTEST_SKIP() << "needs a network namespace of its own (root or user namespaces), so that the " \
                    "reverse lookups of hop addresses cannot reach the machine's name server"
