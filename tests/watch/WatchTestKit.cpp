#include "WatchTestKit.h"

#include <QTest>

CPathWatch::Options LoopbackOptions(unsigned nCycles)
{
    CPathWatch::Options options = CWatchWindow::DefaultOptions("127.0.0.1");
    options.dIntervalS = 0.02;
    options.nCycles = nCycles;
    options.nTimeoutMs = 1000;
    return options;
}

CWatchWindow* OpenLoopbackWindow(unsigned nCycles)
{
    auto* window = new CWatchWindow("127.0.0.1");
    window->show();
    window->Start(LoopbackOptions(nCycles));
    return window;
}

QTableWidget* TableOf(CWatchWindow* window)
{
    return window->findChild<QTableWidget*>();
}

QString Cell(CWatchWindow* window, int row, int column)
{
    const QTableWidgetItem* item = TableOf(window)->item(row, column);
    return item != nullptr ? item->text() : QString();
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    return QTest::qWaitFor(done, timeoutMs);
}
