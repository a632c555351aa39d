#pragma once
// What the watch window tests share: a window watching 127.0.0.1 in the test program's own
// network, and waiting for what it shows.

#include "WatchWindow.h"

#include <QTableWidget>

#include <functional>

// Defined by the test program's main: true when it has a mount namespace of its own.
bool OwnMounts();

#define SKIP_UNLESS_OWN_NETWORK()                                                                 \
    if (!LookupsStayHere())                                                                       \
    GTEST_SKIP() << "needs a network namespace of its own (root or user namespaces), so that the " \
                    "rounds probe a loopback of their own"

// Quick rounds to 127.0.0.1: nCycles rounds (0: until stopped), 20 ms apart.
CPathWatch::Options LoopbackOptions(unsigned nCycles = 0);
// A shown window (owned by the caller) watching 127.0.0.1 with those options.
CWatchWindow* OpenLoopbackWindow(unsigned nCycles = 0);
QTableWidget* TableOf(CWatchWindow* window);
// A cell's text; "" where there is no cell.
QString Cell(CWatchWindow* window, int row, int column);
// Runs events until done() holds, at most timeoutMs; done() at the end.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000);
