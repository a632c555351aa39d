// Start-up as the program does it: with a file, with a file that cannot be opened, printing
// from the command line, and the recent-file list carried from one run to the next.

#include "QuorailTestApp.h"

#include "MessageBox.h"
#include "RecentFileList.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QPrinter>
#include <QSettings>
#include <QTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

class StartupTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_dir.filePath(QString::fromStdString(name)).toStdString(); }

    QTemporaryDir m_dir;
};

TEST_F(StartupTest, OpensTheFileNamedOnTheCommandLine)
{
    const std::vector<std::string> lines = {"Verbinde mit:\twww.velmora.example", "Nr.", "1\t2", "Ende"};
    WriteBytes(Path("saved trace"), ListingBytes(lines));
    CStartedApp started({"-nologo", Path("saved trace")});
    ASSERT_TRUE(started.m_bStarted);
    EXPECT_FALSE(started.App().m_bShowSplash);
    EXPECT_TRUE(started.Frame()->GetSafeHwnd()->isVisible());
    EXPECT_EQ(started.Doc()->m_Listing, CStringArray(lines));
    EXPECT_EQ(started.Doc()->GetPathName(), Path("saved trace"));
    EXPECT_EQ(started.ListLines().size(), 5u);
    EXPECT_EQ(started.ListLines().back(), kAdvertLine);
}

TEST_F(StartupTest, FileThatCannotBeOpenedEndsStartUpAfterTheMessage)
{
    WriteBytes(Path("broken"), {0x05, 0x00, 0x01});
    CMessageBoxHook boxes;
    CStartedApp started({Path("broken")});
    EXPECT_FALSE(started.m_bStarted);
    EXPECT_EQ(started.App().m_nExitCode, 1); // the caller learns that it failed
    EXPECT_EQ(boxes.m_boxes.size(), 1u);
    EXPECT_EQ(started.App().GetMainFrame(), nullptr);
}

TEST_F(StartupTest, PrintSwitchPrintsTheFileAndEnds)
{
    WriteBytes(Path("listing"), ListingBytes({"1", "2", "3", "4"}));
    auto app = std::make_unique<CQuorailApp>();
    QPrinter* printer = app->GetPrinter();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(Path("printed.pdf")));
    app->SetArguments({"/p", Path("listing")});
    EXPECT_FALSE(app->InitInstance());
    EXPECT_EQ(app->m_nExitCode, 0);
    EXPECT_GT(QFileInfo(QString::fromStdString(Path("printed.pdf"))).size(), 0);
    EXPECT_FALSE(app->GetMainWnd() != nullptr && app->GetMainWnd()->isVisible());
    app->ExitInstance();
}

TEST_F(StartupTest, PrintSwitchThatPrintsNothingEndsWithExitCodeOne)
{
    WriteBytes(Path("listing"), ListingBytes({"1", "2", "3", "4"}));
    CMessageBoxHook boxes;
    auto app = std::make_unique<CQuorailApp>();
    QPrinter* printer = app->GetPrinter();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(Path("no such folder/printed.pdf")));
    app->SetArguments({"/p", Path("listing")});
    EXPECT_FALSE(app->InitInstance());
    EXPECT_EQ(boxes.m_boxes.size(), 1u);
    EXPECT_EQ(app->m_nExitCode, 1);
    app->ExitInstance();
}

TEST_F(StartupTest, RecentFilesSurviveARestartNewestFirstAndAtMostFour)
{
    for (const char* name : {"one", "two", "three", "four", "five"}) {
        WriteBytes(Path(name), ListingBytes({name}));
    }
    QSettings("Velmora", "Quorail").remove("Recent File List");
    {
        CStartedApp first;
        first.Frame()->UpdateCommandUI();
        EXPECT_TRUE(first.Frame()->FindMenuAction(ID_FILE_MRU_FILE1)->text() == "Letzte Datei");
        for (const char* name : {"one", "two", "three", "four", "five", "three"}) {
            ASSERT_NE(first.App().OpenDocumentFile(Path(name)), nullptr);
        }
    }
    CStartedApp second;
    const CRecentFileList* list = second.App().GetRecentFileList();
    ASSERT_EQ(list->GetCount(), 4);
    EXPECT_EQ((*list)[0], Path("three"));
    EXPECT_EQ((*list)[1], Path("five"));
    EXPECT_EQ((*list)[3], Path("two"));
    EXPECT_EQ(second.App().GetProfilePath("Recent File List", "File1"), Path("three"));

    second.Frame()->UpdateCommandUI();
    QAction* entry = second.Frame()->FindMenuAction(ID_FILE_MRU_FILE1 + 1);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), QString::fromStdString("&2 " + Path("five")));
    EXPECT_TRUE(entry->isEnabled());
    entry->trigger();
    EXPECT_EQ(second.Doc()->GetPathName(), Path("five"));
    EXPECT_EQ((*list)[0], Path("five"));
    const std::size_t shown = second.ListLines().size();
    entry = second.Frame()->FindMenuAction(ID_FILE_MRU_FILE1);
    entry->trigger(); // the open file again: not read twice
    EXPECT_EQ(second.ListLines().size(), shown);
}

} // namespace

namespace {

TEST(ProgramRunTest, RunsUntilTheWindowClosesThenWritesTheRecentFiles)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("run").toStdString();
    WriteBytes(path, ListingBytes({"a", "b", "c", "d"}));
    QSettings("Velmora", "Quorail").remove("Recent File List");

    CQuorailApp app;
    app.SetArguments({path});
    // Showing the splash window runs events before the loop starts, so on a slow start the
    // first look may come before the main window exists: look again until it is shown.
    QElapsedTimer waited;
    waited.start();
    std::function<void()> closeOnceShown = [&] {
        const bool shown = app.GetMainWnd() != nullptr && app.GetMainWnd()->isVisible();
        if (!shown && waited.elapsed() < 10000) {
            QTimer::singleShot(20, closeOnceShown);
            return;
        }
        EXPECT_TRUE(shown);
        app.OnCmdMsg(ID_APP_EXIT);
    };
    QTimer::singleShot(50, closeOnceShown);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(app.GetMainFrame(), nullptr); // frame, view and document are gone
    EXPECT_EQ(QSettings("Velmora", "Quorail").value("Recent File List/File1").toString().toStdString(), path);
}

} // namespace
