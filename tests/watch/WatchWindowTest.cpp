// The watch window on live rounds to 127.0.0.1: the table filling as they come, Esc and
// closing, saving the figures, and the menu entry that opens windows beside the main one.

#include "ConnectTestKit.h"
#include "WatchChart.h"
#include "WatchExport.h"
#include "WatchTestKit.h"

#include "FileDialog.h"
#include "MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace {

enum { kHop, kAddress, kName, kLoss, kSent, kLast, kMean, kBest, kWorst, kStdDev };

// The process's threads but Qt's pooled workers, which come and go with painting.
int ThreadCount()
{
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task + QStringLiteral("/comm")));
        if (name.open(QIODevice::ReadOnly) && !name.readAll().startsWith("Thread (pooled)"))
            ++count;
    }
    return count;
}

int Sent(CWatchWindow* window)
{
    return Cell(window, 0, kSent).toInt();
}

std::vector<CWatchWindow*> WatchWindows()
{
    std::vector<CWatchWindow*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = dynamic_cast<CWatchWindow*>(widget); window != nullptr && window->isVisible())
            windows.push_back(window);
    }
    return windows;
}

// A file dialog that answers with path once, and the boxes shown meanwhile.
class CSaveAnswer {
public:
    explicit CSaveAnswer(std::string path)
        : m_previous(SetFileDialogHook([path](BOOL, const std::string&) { return path; }))
    {
    }
    ~CSaveAnswer() { SetFileDialogHook(m_previous); }
    CMessageBoxHook m_boxes;

private:
    FileDialogHook m_previous;
};

std::string FileText(const QString& path)
{
    std::ifstream file(path.toStdString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

} // namespace

TEST(WatchWindow, TableFillsLiveAndEscStopsKeepingTheFigures)
{
    SKIP_UNLESS_OWN_NETWORK();
    std::unique_ptr<CWatchWindow> window(OpenLoopbackWindow());
    EXPECT_EQ(window->windowTitle(), "Beobachten: 127.0.0.1");
    QTableWidget* table = TableOf(window.get());
    QStringList titles;
    for (int column = 0; column < table->columnCount(); ++column)
        titles << table->horizontalHeaderItem(column)->text();
    EXPECT_EQ(titles, (QStringList{"Nr.", "Adresse", "Name", "Verlust %", "Gesendet", "Letzte", "Mittel", "Beste",
                                   "Schlechteste", "StdAbw"}));

    // The target answers at hop 1; the counts grow round by round, and its name comes.
    ASSERT_TRUE(WaitUntil([&] { return Sent(window.get()) >= 10 && !Cell(window.get(), 0, kName).isEmpty(); }))
        << Sent(window.get()) << " sent";
    EXPECT_EQ(table->rowCount(), 1);
    EXPECT_EQ(Cell(window.get(), 0, kHop), "1");
    EXPECT_EQ(Cell(window.get(), 0, kAddress), "127.0.0.1");
    EXPECT_EQ(Cell(window.get(), 0, kName), "localhost");
    const QRegularExpression oneDecimal(QStringLiteral("^\\d+\\.\\d$"));
    for (const int column : {kLoss, kLast, kMean, kBest, kWorst, kStdDev})
        EXPECT_TRUE(oneDecimal.match(Cell(window.get(), 0, column)).hasMatch()) << column;
    EXPECT_LE(Cell(window.get(), 0, kBest).toDouble(), Cell(window.get(), 0, kWorst).toDouble());
    EXPECT_TRUE(WaitUntil([&] { return Sent(window.get()) > 20; }));

    // Esc ends the rounds; the figures stay as they were, and stay put.
    QTest::keyClick(table, Qt::Key_Escape);
    EXPECT_FALSE(window->IsRunning());
    const QString sent = Cell(window.get(), 0, kSent);
    const QString mean = Cell(window.get(), 0, kMean);
    QTest::qWait(200);
    EXPECT_EQ(Cell(window.get(), 0, kSent), sent);
    EXPECT_EQ(Cell(window.get(), 0, kMean), mean);
    EXPECT_EQ(window->Shown().hops.at(0).Sent(), sent.toUInt());
    EXPECT_TRUE(window->findChild<QLabel*>()->text().contains(QStringLiteral("Angehalten")));
    EXPECT_TRUE(window->isVisible());
}

TEST(WatchWindow, UnknownHostSaysWhyInTheWindow)
{
    SKIP_UNLESS_OWN_NETWORK();
    CWatchWindow window("nirgendwo.invalid");
    window.show();
    EXPECT_FALSE(window.Start(CWatchWindow::DefaultOptions("nirgendwo.invalid")));
    // Not found, or no name server to ask in the test's own network: a code and its words.
    const QString state = window.findChild<QLabel*>()->text();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Fehler bei Quorail Nr.: 1100[12] \\(\\w.+\\)$")).match(state).hasMatch())
        << state.toStdString();
    EXPECT_EQ(TableOf(&window)->rowCount(), 0);
}

TEST(WatchWindow, ClosingStopsTheRoundsAndLeavesNoThread)
{
    SKIP_UNLESS_OWN_NETWORK();
    auto* window = new CWatchWindow("127.0.0.1");
    window->show();
    const int threads = ThreadCount();
    window->Start(LoopbackOptions());
    ASSERT_TRUE(WaitUntil([&] { return Sent(window) >= 5; }));
    EXPECT_GT(ThreadCount(), threads);

    QPointer<CWatchWindow> alive(window);
    EXPECT_TRUE(window->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
    EXPECT_EQ(ThreadCount(), threads);
}

TEST(WatchWindow, SavesCsvOrJsonByTheNameAndSaysWhenItCannot)
{
    SKIP_UNLESS_OWN_NETWORK();
    std::unique_ptr<CWatchWindow> window(OpenLoopbackWindow(5));
    ASSERT_TRUE(WaitUntil([&] { return window->Shown().bFinished; }));
    QTemporaryDir folder;
    const QString csv = folder.filePath("watch.csv");
    const QString json = folder.filePath("watch.JSON");
    for (const QString& path : {csv, json}) {
        CSaveAnswer answer(path.toStdString());
        QTest::keySequence(window.get(), QKeySequence(Qt::CTRL | Qt::Key_S));
        EXPECT_TRUE(answer.m_boxes.m_boxes.empty());
    }
    EXPECT_EQ(FileText(csv), CWatchExport::Csv(window->Shown()));
    EXPECT_EQ(FileText(json), CWatchExport::Json(window->Shown()));

    // A name without either extension, and a folder that is missing, save nothing; each says so.
    const QString text = folder.filePath("watch.txt");
    const QString missing = folder.filePath("missing/watch.csv");
    for (const QString& path : {text, missing}) {
        CSaveAnswer answer(path.toStdString());
        EXPECT_FALSE(window->SaveAs());
        ASSERT_EQ(answer.m_boxes.m_boxes.size(), 1u);
        EXPECT_TRUE(answer.m_boxes.m_boxes[0].m_shown.contains(path)) << answer.m_boxes.m_boxes[0].m_shown.toStdString();
        EXPECT_FALSE(QFile::exists(path));
    }
    EXPECT_EQ(window->Shown().hops.at(0).Sent(), 5u);
}

TEST(WatchWindow, FullDiskLeavesTheOldFileAndSaysSo)
{
    SKIP_UNLESS_OWN_NETWORK();
    QTemporaryDir folder;
    const QByteArray mountPoint = folder.path().toUtf8();
    if (!OwnMounts() || ::mount("quorail-watch", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "needs a mount namespace of its own to mount a small file system";
    const std::shared_ptr<void> unmount(nullptr, [&](void*) { ::umount2(mountPoint.constData(), MNT_DETACH); });
    const QString old = folder.filePath("watch.csv");
    {
        std::ofstream(old.toStdString()) << "old";
        std::ofstream filler(folder.filePath("filler").toStdString());
        const std::string block(4096, 'x');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())))
            ;
    }
    std::unique_ptr<CWatchWindow> window(OpenLoopbackWindow(3));
    ASSERT_TRUE(WaitUntil([&] { return window->Shown().bFinished; }));
    {
        CSaveAnswer answer(old.toStdString());
        EXPECT_FALSE(window->SaveAs());
        ASSERT_EQ(answer.m_boxes.m_boxes.size(), 1u);
        EXPECT_EQ(answer.m_boxes.m_boxes[0].m_shown,
                  QStringLiteral("Die Datei \"%1\" kann nicht gespeichert werden.").arg(old));
    }
    EXPECT_EQ(FileText(old), "old");
    EXPECT_EQ(window->Shown().hops.at(0).Sent(), 3u);
}

TEST(WatchWindow, MenuAndButtonOpenWindowsBesideTheMainOne)
{
    SKIP_UNLESS_OWN_NETWORK();
    auto started = std::make_unique<CStartedApp>(std::vector<std::string>{"-nologo"});
    ASSERT_TRUE(started->m_bStarted);
    QWidget* main = started->Frame()->GetWindow();
    const std::vector<std::string> listing = started->ListLines();
    {
        CAddressDialogAnswer answer(std::string("127.0.0.1"));
        started->Frame()->ExecuteCommand(ID_WATCH);
        EXPECT_TRUE(answer.Answered());
    }
    {
        CAddressDialogAnswer answer(std::string("localhost"));
        QTest::mouseClick(ToolbarButton(*started, ID_WATCH), Qt::LeftButton);
        EXPECT_TRUE(answer.Answered());
    }
    {
        // Cancelling the dialog opens none.
        CAddressDialogAnswer answer(std::nullopt);
        started->Frame()->ExecuteCommand(ID_WATCH);
    }
    const std::vector<CWatchWindow*> windows = WatchWindows();
    ASSERT_EQ(windows.size(), 2u);
    QStringList titles;
    for (CWatchWindow* window : windows) {
        titles << window->windowTitle();
        EXPECT_TRUE(window->IsRunning());
        // Beside the main window, or as far to the right as the screen allows.
        const QRect room = main->screen()->availableGeometry();
        EXPECT_TRUE(room.contains(window->frameGeometry()));
        EXPECT_TRUE(window->x() > main->frameGeometry().right() || window->frameGeometry().right() == room.right());
    }
    titles.sort();
    EXPECT_EQ(titles, (QStringList{"Beobachten: 127.0.0.1", "Beobachten: localhost"}));
    EXPECT_TRUE(WaitUntil([&] { return Sent(windows[0]) >= 1 && Sent(windows[1]) >= 1; }, 5000));
    EXPECT_EQ(started->ListLines(), listing);

    // The program's end takes its watch windows, and their rounds, with it.
    const std::vector<QPointer<CWatchWindow>> opened(windows.begin(), windows.end());
    started.reset();
    for (const QPointer<CWatchWindow>& window : opened)
        EXPECT_TRUE(window.isNull());
}
