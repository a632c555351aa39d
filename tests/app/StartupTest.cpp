// Start-up as the program does it: with a file, with a file that cannot be opened, printing
// from the command line, and the recent-file list carried from one run to the next.

#include "QuorailTestApp.h"

#include "MessageBox.h"
#include "RecentFileList.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QPushButton>
#include <QFileInfo>
#include <QMenu>
#include <QPrinter>
#include <QSettings>
#include <QTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

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

// A FIFO in place of a settings file is not read (that would wait for ever): the window
// shows with the defaults, and the FIFO stays what it is.
TEST_F(StartupTest, FifoAsTheSettingsFileStartsWithTheDefaults)
{
    const QString file = QSettings("Velmora", "Quorail").fileName();
    const QString common = QFileInfo(file).path() + ".conf";
    QDir().mkpath(QFileInfo(file).path());
    for (const QString& path : {file, common}) {
        const QByteArray name = QFile::encodeName(path);
        QFile::remove(path);
        ASSERT_EQ(mkfifo(name.constData(), 0600), 0);
        alarm(60);
        {
            CStartedApp started;
            EXPECT_TRUE(started.m_bStarted);
            EXPECT_TRUE(started.Frame()->GetSafeHwnd()->isVisible());
            EXPECT_EQ(started.App().GetRecentFileList()->GetCount(), 0);
            WriteBytes(Path("listing"), ListingBytes({"a"}));
            EXPECT_NE(started.App().OpenDocumentFile(Path("listing")), nullptr);
        }
        alarm(0);
        struct stat status {};
        ASSERT_EQ(stat(name.constData(), &status), 0);
        EXPECT_TRUE(S_ISFIFO(status.st_mode));
        ASSERT_EQ(unlink(name.constData()), 0);
    }
}

// Qt's own dialogs speak German as the program does: the save dialog's buttons.
TEST_F(StartupTest, QtsOwnDialogsSpeakGerman)
{
    CStartedApp started;
    QStringList buttons;
    QTimer::singleShot(0, [&buttons] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        for (const QPushButton* button : dialog->findChildren<QPushButton*>()) {
            buttons << button->text().remove('&');
        }
        dialog->reject();
    });
    started.Command(ID_FILE_SAVE_AS);
    EXPECT_TRUE(buttons.contains("Speichern")) << buttons.join(", ").toStdString();
    EXPECT_FALSE(buttons.contains("Cancel")) << buttons.join(", ").toStdString();
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
